# Shared by the rptool script tests: a fresh scratch directory, run() that
# checks the exit code and leaves ${out} and ${err}, and expect_match().
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run expect_rc)
  execute_process(COMMAND ${RPTOOL} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expect_rc)
    message(FATAL_ERROR "rptool ${ARGN}: exit ${rc}, expected ${expect_rc}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect_match text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "expected to match '${pattern}':\n${text}")
  endif()
endfunction()
