# The commands that never draw run without Qt: with no usable platform
# plug-in and no XDG_RUNTIME_DIR they still work and leave nothing in the
# temporary directory, while a drawing command in the same setting fails.
#   cmake -DRPTOOL=<path> -DWORK=<dir> -P rptool_no_qt_test.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/tmp)

execute_process(COMMAND ${RPTOOL} demo five.rpt --pages 5 WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "demo failed: ${rc}")
endif()

set(no_qt ${CMAKE_COMMAND} -E env --unset=XDG_RUNTIME_DIR QT_QPA_PLATFORM=no-such-platform TMPDIR=${WORK}/tmp)

function(run_without_qt expect_rc)
  execute_process(COMMAND ${no_qt} ${RPTOOL} ${ARGN} WORKING_DIRECTORY ${WORK} TIMEOUT 60
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL "${expect_rc}")
    message(FATAL_ERROR "rptool ${ARGN} without Qt: exit ${rc}, expected ${expect_rc}\n${out}${err}")
  endif()
  if(NOT err STREQUAL "")
    message(FATAL_ERROR "rptool ${ARGN} without Qt wrote to stderr:\n${err}")
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

# The setting does keep Qt from starting: a drawing command cannot run in it.
execute_process(COMMAND ${no_qt} ${RPTOOL} render five.rpt 1 page.png WORKING_DIRECTORY ${WORK} TIMEOUT 60
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "render ran without a platform plug-in, so this test proves nothing")
endif()
file(REMOVE_RECURSE ${WORK})
