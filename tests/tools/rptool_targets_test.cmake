# Every command that writes a file treats its target as an editor does:
# through symbolic links, never over a FIFO or device, keeping hard links,
# mode and owner; and a disk that fills up fails the command, naming the
# file, with no partial file left and an old file unchanged.
#   cmake -DRPTOOL=<path> -DWORK=<dir> -P rptool_targets_test.cmake
cmake_policy(SET CMP0054 NEW)
include(${CMAKE_CURRENT_LIST_DIR}/rptool_test_helpers.cmake)

run(0 demo src.rpt --pages 2)
run(0 emf-demo src.emf)

function(stat_of file format var)
  execute_process(COMMAND stat -c ${format} ${file} OUTPUT_VARIABLE v OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(${var} "${v}" PARENT_SCOPE)
endfunction()

# name, then the arguments with OUT for the target
set(commands
  "extract extract src.rpt OUT 1 1"
  "join join OUT src.rpt"
  "pack pack src.rpt OUT"
  "demo demo OUT --pages 1"
  "sheet-rpt sheet OUT.rpt"
  "sheet-pdf sheet OUT.pdf"
  "render-png render src.emf OUT.png"
  "emf-demo emf-demo OUT")
foreach(entry IN LISTS commands)
  separate_arguments(parts UNIX_COMMAND "${entry}")
  list(POP_FRONT parts name)
  set(template "${parts}")
  set(dir ${WORK}/${name})
  file(MAKE_DIRECTORY ${dir})
  string(REGEX MATCH "OUT(\\.[a-z]+)?" suffix "${template}")
  string(REPLACE "OUT" "" suffix "${suffix}")

  # A link chain: the links stay, the final file gets the content.
  file(WRITE ${dir}/real${suffix} "old")
  file(CREATE_LINK real${suffix} ${dir}/mid${suffix} SYMBOLIC)
  file(CREATE_LINK ${dir}/mid${suffix} ${dir}/link${suffix} SYMBOLIC)
  string(REPLACE "OUT" "${dir}/link" args "${template}")
  run(0 ${args})
  file(READ_SYMLINK ${dir}/link${suffix} points)
  file(SIZE ${dir}/real${suffix} size)
  if(NOT points STREQUAL "${dir}/mid${suffix}" OR size LESS_EQUAL 3)
    message(FATAL_ERROR "${name}: the link was not written through (${points}, ${size} bytes)")
  endif()

  # A hard-linked file owned by someone else, mode 0600: all kept.
  file(WRITE ${dir}/hard${suffix} "old")
  file(CREATE_LINK ${dir}/hard${suffix} ${dir}/twin${suffix})
  execute_process(COMMAND chown nobody:nogroup ${dir}/hard${suffix})
  file(CHMOD ${dir}/hard${suffix} PERMISSIONS OWNER_READ OWNER_WRITE)
  string(REPLACE "OUT" "${dir}/hard" args "${template}")
  run(0 ${args})
  stat_of(${dir}/twin${suffix} "%a:%U:%h:%s" facts)
  if(NOT facts MATCHES "^600:nobody:2:[0-9][0-9]+$")
    message(FATAL_ERROR "${name}: mode:owner:links:size became ${facts}")
  endif()

  # A FIFO is refused at once, and stays a FIFO.
  execute_process(COMMAND mkfifo ${dir}/fifo${suffix})
  string(REPLACE "OUT" "${dir}/fifo" args "${template}")
  execute_process(COMMAND ${RPTOOL} ${args} WORKING_DIRECTORY ${WORK} TIMEOUT 20
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  stat_of(${dir}/fifo${suffix} "%F" kind)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "Cannot create file ${dir}/fifo" OR NOT kind STREQUAL "fifo")
    message(FATAL_ERROR "${name} onto a FIFO: exit ${rc}, ${kind}: ${err}")
  endif()
endforeach()

run(1 extract src.rpt /dev/null 0 0)
expect_match("${err}" "Cannot create file /dev/null")
stat_of(/dev/null "%F" kind)
if(NOT kind STREQUAL "character special file")
  message(FATAL_ERROR "/dev/null became a ${kind}")
endif()

# The nearly full disk: a 64 KiB tmpfs nearly all taken.
set(disk ${WORK}/disk)
file(MAKE_DIRECTORY ${disk})
execute_process(COMMAND mount -t tmpfs -o size=64k tmpfs ${disk} RESULT_VARIABLE mounted ERROR_QUIET)
if(NOT mounted EQUAL 0)
  message("SKIPPED: cannot mount a tmpfs here (needs root with CAP_SYS_ADMIN)")
  return()
endif()
string(REPEAT "b" 56000 ballast)
file(WRITE ${disk}/ballast "${ballast}")
file(WRITE ${disk}/old.pdf "old")
set(failures "")
foreach(args IN ITEMS "sheet;${disk}/sheet.pdf" "sheet;${disk}/old.pdf" "sheet;--dpi;300;${disk}/sheet.png"
                      "render;src.rpt;1;${disk}/page.pdf" "render;--dpi;600;src.emf;${disk}/page.png")
  execute_process(COMMAND ${RPTOOL} ${args} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
  list(GET args 0 command)
  list(GET args -1 last)
  file(GLOB left LIST_DIRECTORIES true ${disk}/*)
  file(READ ${disk}/old.pdf old)
  list(LENGTH left count)
  if(NOT rc EQUAL 1 OR NOT err STREQUAL "rptool ${command}: Cannot write file ${last}\n" OR NOT count EQUAL 2 OR NOT old STREQUAL "old")
    string(APPEND failures "rptool ${args}: exit ${rc}, '${err}', ${count} files, old file '${old}'\n")
  endif()
endforeach()
# The manual page as the build writes it, with the disk's last page taken.
string(REPEAT "f" 4000 fill)
file(WRITE ${disk}/fill "${fill}")
execute_process(COMMAND ${RPTOOL} --man ${disk}/old.pdf RESULT_VARIABLE rc ERROR_VARIABLE err)
file(READ ${disk}/old.pdf old)
if(NOT rc EQUAL 1 OR NOT err STREQUAL "rptool --man: Cannot write file ${disk}/old.pdf\n" OR NOT old STREQUAL "old")
  string(APPEND failures "rptool --man: exit ${rc}, '${err}', old file '${old}'\n")
endif()
execute_process(COMMAND umount ${disk})
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
