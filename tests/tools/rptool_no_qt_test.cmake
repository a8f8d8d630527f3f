# The commands that never draw run without Qt: rptool links no Qt library,
# and the dynamic loader, asked to list what it loads, loads none for them
# (nor any other library that rptool does not link); with no usable platform
# plug-in and no XDG_RUNTIME_DIR they still work and leave nothing in the
# temporary directory, while a drawing command in the same setting fails.
#   cmake -DRPTOOL=<path> -DWORK=<dir> -P rptool_no_qt_test.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/tmp ${WORK}/loaded)

execute_process(COMMAND ldd ${RPTOOL} RESULT_VARIABLE rc OUTPUT_VARIABLE linked ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd ${RPTOOL} failed: ${rc} ${err}")
endif()
if(linked MATCHES "libQt")
  message(FATAL_ERROR "rptool links Qt:\n${linked}")
endif()

# The libraries a run of rptool loaded, from the loader's own account.
function(loaded_by name out)
  file(GLOB logs ${WORK}/loaded/${name}.*)
  set(libs "")
  foreach(log IN LISTS logs)
    file(STRINGS ${log} lines REGEX "file=[^ ]+")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "file=[^ ]+" lib "${line}")
      list(APPEND libs ${lib})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES libs)
  set(${out} "${libs}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${RPTOOL} demo five.rpt --pages 5 WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "demo failed: ${rc}")
endif()

set(no_qt ${CMAKE_COMMAND} -E env --unset=XDG_RUNTIME_DIR QT_QPA_PLATFORM=no-such-platform TMPDIR=${WORK}/tmp)

set(run 0)
function(run_without_qt expect_rc)
  math(EXPR run "${run} + 1")
  set(run ${run} PARENT_SCOPE)
  execute_process(COMMAND ${no_qt} LD_DEBUG=files LD_DEBUG_OUTPUT=${WORK}/loaded/run${run} ${RPTOOL} ${ARGN}
                  WORKING_DIRECTORY ${WORK} TIMEOUT 60 RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL "${expect_rc}")
    message(FATAL_ERROR "rptool ${ARGN} without Qt: exit ${rc}, expected ${expect_rc}\n${out}${err}")
  endif()
  if(NOT err STREQUAL "")
    message(FATAL_ERROR "rptool ${ARGN} without Qt wrote to stderr:\n${err}")
  endif()
  loaded_by(run${run} libs)
  if(NOT libs)
    message(FATAL_ERROR "rptool ${ARGN}: the loader listed nothing in ${WORK}/loaded, so this test proves nothing")
  endif()
  if(libs MATCHES "libQt|libGL|libfontconfig|libdbus")
    message(FATAL_ERROR "rptool ${ARGN} loaded Qt or what Qt brings: ${libs}")
  endif()
endfunction()

run_without_qt(0 info five.rpt)
run_without_qt(0 extract five.rpt two.rpt 2 3)
run_without_qt(0 join six.rpt two.rpt two.rpt two.rpt)
run_without_qt(0 pack five.rpt packed.rpt)
run_without_qt(0 unpack packed.rpt unpacked.rpt)
run_without_qt(0 info packed.rpt --compressed)
run_without_qt(0 --help)

file(GLOB left ${WORK}/tmp/*)
if(left)
  message(FATAL_ERROR "commands that do not draw left files in the temporary directory: ${left}")
endif()

# The setting does keep Qt from starting: a drawing command cannot run in it;
# and the loader's account shows Qt where a command does load it.
execute_process(COMMAND ${no_qt} LD_DEBUG=files LD_DEBUG_OUTPUT=${WORK}/loaded/render ${RPTOOL} render five.rpt
                        1 page.png
                WORKING_DIRECTORY ${WORK} TIMEOUT 60 RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "render ran without a platform plug-in, so this test proves nothing")
endif()
loaded_by(render libs)
if(NOT libs MATCHES "libQt6Gui")
  message(FATAL_ERROR "render loaded no Qt, so the loader's account proves nothing: ${libs}")
endif()
file(REMOVE_RECURSE ${WORK})
