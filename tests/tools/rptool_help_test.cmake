# rptool --help, rptool COMMAND --help and the generated manual page.
#   cmake -DRPTOOL=<path> -DMAN=<rptool.1> -P rptool_help_test.cmake

include(${CMAKE_CURRENT_LIST_DIR}/rptool_test_helpers.cmake)

function(expect_contains text)
  foreach(part IN LISTS ARGN)
    string(FIND "${text}" "${part}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "expected '${part}' in:\n${text}")
    endif()
  endforeach()
endfunction()

set(commands info extract join pack unpack render demo emf-demo sheet)
set(options "--dpi N" "--compressed" "--pages N" "--compress")

# The whole usage goes to stdout and exits 0, every command and option in it.
foreach(form --help -h help)
  run(0 ${form})
  foreach(c IN LISTS commands)
    expect_contains("${out}" "rptool ${c} ")
  endforeach()
  expect_contains("${out}" ${options})
endforeach()

# One command's usage, with each of its options, wherever --help stands.
run(0 render --help)
expect_contains("${out}" "usage: rptool render FILE PAGE" "--dpi N" "--compressed")
run(0 info x.rpt --help)
expect_contains("${out}" "usage: rptool info FILE" "--compressed")
run(0 demo -h)
expect_contains("${out}" "--pages N" "--compress")
run(0 extract --help)
expect_contains("${out}" "usage: rptool extract SRC DST FIRST LAST")

# Without arguments: the usage on stderr and exit 2, as for any wrong line.
run(2)
expect_contains("${err}" "usage: rptool COMMAND")

# The manual page carries the same commands and options.
file(READ ${MAN} man)
expect_contains("${man}" ".TH RPTOOL 1" ".SH SYNOPSIS" ".SH COMMANDS" ".SH EXIT STATUS")
foreach(c IN LISTS commands)
  string(REPLACE "-" "\\-" c "${c}")
  expect_contains("${man}" "\\fB${c}\\fR")
endforeach()
expect_contains("${man}" "\\fB\\-\\-dpi N\\fR" "\\fB\\-\\-compressed\\fR" "\\fB\\-\\-pages N\\fR")
