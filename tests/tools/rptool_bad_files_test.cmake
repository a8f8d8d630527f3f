# rptool given files that are not sound saved reports: pipes, devices,
# directories, headers whose counts lie, pages with a broken record. Each
# must end promptly with exit 1 and the page store's one-line message.
#   cmake -DRPTOOL=<path> -DWORK=<dir> -P rptool_bad_files_test.cmake
# A hang or an unbounded read ends in the timeout, which fails the test.
set(RUN_TIMEOUT 20)
include(${CMAKE_CURRENT_LIST_DIR}/rptool_test_helpers.cmake)

function(expect_error text)
  if(NOT err STREQUAL "${text}\n")
    message(FATAL_ERROR "expected the one line '${text}', got:\n${err}")
  endif()
endfunction()

# Writes bytes (as printf escapes) at offset into a copy of a file.
function(patch from to offset bytes)
  file(COPY_FILE ${WORK}/${from} ${WORK}/${to})
  execute_process(COMMAND sh -c "printf '${bytes}' | dd of='${to}' bs=1 seek=${offset} conv=notrunc status=none"
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "could not patch ${to}")
  endif()
endfunction()

run(0 demo five.rpt --pages 5)

# Not regular files.
execute_process(COMMAND mkfifo ${WORK}/pipe.rpt RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mkfifo failed")
endif()
file(MAKE_DIRECTORY ${WORK}/folder.rpt)
foreach(bad pipe.rpt folder.rpt /dev/zero)
  run(1 info ${bad})
  expect_error("rptool info: Cannot open file ${bad}")
  run(1 extract ${bad} out.rpt 0 0)
  expect_error("rptool extract: Cannot open file ${bad}")
  run(1 join out.rpt five.rpt ${bad})
  expect_error("rptool join: Cannot open file ${bad}")
  run(1 pack ${bad} out.rpt)
  expect_error("rptool pack: Cannot open file ${bad}")
  run(1 render ${bad} 1 out.png)
  expect_error("rptool render: Cannot open file ${bad}")
  run(1 render ${bad} out.png)
  expect_error("rptool render: Cannot open file ${bad}")
endforeach()
if(EXISTS ${WORK}/out.rpt)
  message(FATAL_ERROR "a failed command wrote its target")
endif()

# Header counts that the records do not bear out: what loading says.
patch(five.rpt minus-one.rpt 8 "\\377\\377\\377\\377")
patch(five.rpt huge.rpt 8 "\\377\\377\\377\\177")
file(READ ${WORK}/five.rpt header LIMIT 128 HEX)
execute_process(COMMAND head -c 128 five.rpt OUTPUT_FILE ${WORK}/no-records.rpt WORKING_DIRECTORY ${WORK})
foreach(bad minus-one.rpt huge.rpt no-records.rpt)
  run(1 info ${bad})
  expect_error("rptool info: Saved report ${bad} is damaged")
  run(1 extract ${bad} out.rpt 0 0)
  expect_error("rptool extract: Saved report ${bad} is damaged")
endforeach()

# A page whose metafile header is sound but whose first record is not: info
# lists the pages before it and stops with the loader's message; extract
# and join refuse to copy it.
run(0 info five.rpt)
string(REGEX MATCH "page 3: start ([0-9]+)," found "${out}")
math(EXPR first_record "${CMAKE_MATCH_1} + 8 + 108 + 4")
patch(five.rpt bad-page.rpt ${first_record} "\\003")
run(1 info bad-page.rpt)
expect_error("rptool info: Metafile is not valid")
if(NOT out MATCHES "page 2: start" OR out MATCHES "page 3: start")
  message(FATAL_ERROR "info should list pages 1 and 2 before failing:\n${out}")
endif()
run(1 extract bad-page.rpt out.rpt 3 3)
expect_error("rptool extract: Metafile is not valid")
run(1 join out.rpt bad-page.rpt)
expect_error("rptool join: Metafile is not valid")
run(0 extract bad-page.rpt two.rpt 1 2)
if(EXISTS ${WORK}/out.rpt)
  message(FATAL_ERROR "a refused copy wrote its target")
endif()
# Record-start fields only serve walks back; a wrong one, in the middle or
# on the last record, loses no page for info, extract or render alike.
run(0 info five.rpt)
set(listing "${out}")
foreach(page 3 5)
  string(REGEX MATCH "page ${page}: start ([0-9]+), next ([0-9]+)," found "${listing}")
  math(EXPR field "${CMAKE_MATCH_2} - 4")
  patch(five.rpt back${page}.rpt ${field} "\\001\\000\\000\\000")
  run(0 info back${page}.rpt)
  if(NOT out MATCHES "page 5: start" OR NOT out MATCHES "record-start field says 1]")
    message(FATAL_ERROR "info should list every page and the wrong field:\n${out}")
  endif()
  run(0 extract back${page}.rpt out${page}.rpt 0 0)
  run(0 render back${page}.rpt ${page} out${page}.png)
endforeach()
file(REMOVE_RECURSE ${WORK})
