cmake_minimum_required(VERSION 3.25)
# PROGRAM --version prints exactly EXPECTED and a newline, and exits 0.
execute_process(COMMAND ${PROGRAM} --version RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 30)
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} --version exited with ${rc}; stderr: ${err}")
endif()
if(NOT out STREQUAL "${EXPECTED}\n")
  message(FATAL_ERROR "${PROGRAM} --version printed '${out}', expected '${EXPECTED}'")
endif()
if(NOT err STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --version wrote to stderr: ${err}")
endif()
