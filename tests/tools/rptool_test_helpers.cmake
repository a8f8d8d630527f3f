# Shared by the rptool script tests: a fresh scratch directory (where WORK
# is given), run() that checks the exit code and leaves ${out} and ${err},
# expect_match() and png_size(). A run that takes longer than RUN_TIMEOUT
# seconds (120 unless set) fails: a hang must not pass.
if(WORK)
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK})
endif()
if(NOT RUN_TIMEOUT)
  set(RUN_TIMEOUT 120)
endif()

function(run expect_rc)
  execute_process(COMMAND ${RPTOOL} ${ARGN} WORKING_DIRECTORY ${WORK} TIMEOUT ${RUN_TIMEOUT}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL "${expect_rc}")
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

# A PNG's width and height from its header.
function(png_size file out_w out_h)
  file(READ ${file} hex LIMIT 24 HEX)
  string(SUBSTRING "${hex}" 32 8 w)
  string(SUBSTRING "${hex}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${out_w} ${w} PARENT_SCOPE)
  set(${out_h} ${h} PARENT_SCOPE)
endfunction()
