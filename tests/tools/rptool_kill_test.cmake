# A join killed at any moment, by SIGKILL, which nothing can catch or clean
# up after, leaves nothing in TMPDIR and the target either as it was or
# whole: the temporary files it works through have no name.
#   cmake -DRPTOOL=<path> -DWORK=<dir> -P rptool_kill_test.cmake
include(${CMAKE_CURRENT_LIST_DIR}/rptool_test_helpers.cmake)
find_program(TIMEOUT timeout REQUIRED)

set(tmp ${WORK}/tmp)
set(outdir ${WORK}/out)
file(MAKE_DIRECTORY ${tmp} ${outdir} ${WORK}/run)
set(ENV{TMPDIR} ${tmp})
# Qt, which demo starts, would otherwise make its runtime folder in TMPDIR.
file(CHMOD ${WORK}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{XDG_RUNTIME_DIR} ${WORK}/run)
run(0 demo out/src.rpt --pages 200)  # about 1 MB
run(0 demo out/dst.rpt --pages 1)
set(sources "")
foreach(i RANGE 1 100)
  list(APPEND sources out/src.rpt)
endforeach()

function(page_count file var)
  execute_process(COMMAND ${RPTOOL} info ${file} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc OUTPUT_VARIABLE text)
  string(REGEX MATCH "page count: ([0-9]+)" found "${text}")
  if(NOT rc EQUAL 0 OR NOT found)
    message(FATAL_ERROR "${file} is no whole saved report after the kill (exit ${rc})")
  endif()
  set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

# From the start of the program to past the end of a join of about 100 MB
# (0.07 s on a fast idle machine, several times that under load): the early
# kills land while pages are copied, the late ones while the result is put
# in place or after it is.
set(killed 0)
set(delays 0.01 0.02 0.03 0.04 0.05 0.07 0.1 0.13 0.17 0.22 0.3 0.45 0.7 1.0 1.5)
list(LENGTH delays tried)
foreach(delay ${delays})
  execute_process(COMMAND ${TIMEOUT} -s KILL ${delay} ${RPTOOL} join out/dst.rpt ${sources}
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  # timeout passes the kill on to itself, or exits 124 or 137, by version.
  if(rc STREQUAL "Subprocess killed" OR rc EQUAL 124 OR rc EQUAL 137)
    math(EXPR killed "${killed} + 1")
  elseif(NOT rc EQUAL 0)
    message(FATAL_ERROR "join after ${delay} s: exit ${rc}")
  endif()
  file(GLOB left LIST_DIRECTORIES true ${tmp}/* ${tmp}/.[A-Za-z0-9_-]*)
  if(left)
    message(FATAL_ERROR "a join killed after ${delay} s left in TMPDIR: ${left}")
  endif()
  file(GLOB here LIST_DIRECTORIES true RELATIVE ${outdir} ${outdir}/* ${outdir}/.[A-Za-z0-9_-]*)
  list(SORT here)
  if(NOT here STREQUAL "dst.rpt;src.rpt")
    message(FATAL_ERROR "a join killed after ${delay} s left beside its target: ${here}")
  endif()
  page_count(out/dst.rpt pages)
  if(NOT pages EQUAL 1 AND NOT pages EQUAL 20000)
    message(FATAL_ERROR "a join killed after ${delay} s left a target of ${pages} pages")
  endif()
  run(0 demo out/dst.rpt --pages 1)
endforeach()
if(killed LESS 3)
  message(FATAL_ERROR "only ${killed} joins were killed before they ended")
endif()
message(STATUS "${killed} of ${tried} joins killed on their way")
file(REMOVE_RECURSE ${WORK})
