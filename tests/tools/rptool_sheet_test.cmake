# rptool sheet end to end: a saved report of one page that the other
# commands read, PNG and PDF pages of the landscape A4 size at the asked
# resolution, the design picture, headings from a caption file, and the
# usage errors.
#   cmake -DRPTOOL=<path> -DWORK=<dir> -P rptool_sheet_test.cmake
include(${CMAKE_CURRENT_LIST_DIR}/rptool_test_helpers.cmake)


run(0 sheet sheet.rpt --apiary "Hill top")
run(0 info sheet.rpt)
expect_match("${out}" "page count: 1\n")
run(0 render sheet.rpt 1 page.png)
png_size(${WORK}/page.png w h)
if(NOT w EQUAL 1123 OR NOT h EQUAL 794)
  message(FATAL_ERROR "the stored page renders at ${w} x ${h}, expected 1123 x 794")
endif()

run(0 sheet sheet300.png --dpi 300)
png_size(${WORK}/sheet300.png w h)
if(NOT w EQUAL 3508 OR NOT h EQUAL 2480)
  message(FATAL_ERROR "the 300-dpi sheet is ${w} x ${h}, expected 3508 x 2480")
endif()
# On Letter the A4 sheet is scaled to fit, on the Letter page; on A3 it
# keeps its size.
run(0 sheet letter.png --paper letter)
png_size(${WORK}/letter.png w h)
if(NOT w EQUAL 1056 OR NOT h EQUAL 816)
  message(FATAL_ERROR "the sheet on Letter is ${w} x ${h}, expected 1056 x 816")
endif()
run(0 sheet a3.png --paper a3)
png_size(${WORK}/a3.png w h)
if(NOT w EQUAL 1587 OR NOT h EQUAL 1123)
  message(FATAL_ERROR "the sheet on A3 is ${w} x ${h}, expected 1587 x 1123")
endif()
run(2 sheet letter.png --paper foolscap)
run(2 sheet letter.rpt --paper letter)
run(0 sheet sheet.pdf)
file(READ ${WORK}/sheet.pdf head LIMIT 5)
expect_match("${head}" "^%PDF-")
run(0 sheet design.png --design)
# The design picture is drawn in bands as the printed sheet is: at 1200 dpi
# a whole raster would take 560 MB, more than the 400 MB allowed here; in
# 100 MB not even a band fits, and the command says so. (The sanitizers
# reserve more address space than any such limit.)
function(limited kb rc_var err_var)
  execute_process(COMMAND sh -c "ulimit -v ${kb} && exec \"$0\" \"$@\"" ${RPTOOL} ${ARGN}
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
  set(${rc_var} ${rc} PARENT_SCOPE)
  set(${err_var} "${err}" PARENT_SCOPE)
endfunction()
if(NOT SANITIZED)
  limited(400000 rc err sheet design1200.png --design --dpi 1200)
  png_size(${WORK}/design1200.png w h)
  if(NOT rc EQUAL 0 OR NOT w EQUAL 14038 OR NOT h EQUAL 9925)
    message(FATAL_ERROR "the design at 1200 dpi in 400 MB: exit ${rc}, ${w} x ${h}: ${err}")
  endif()
  limited(100000 rc err sheet design-short.png --design --dpi 1200)
  if(rc EQUAL 127)
    message(STATUS "100 MB do not even load rptool here: the short-memory message is not checked")
  elseif(NOT rc EQUAL 1 OR NOT err STREQUAL "rptool sheet: Not enough memory to draw the picture at 1200 dpi\n"
         OR EXISTS ${WORK}/design-short.png)
    message(FATAL_ERROR "the design at 1200 dpi in 100 MB: exit ${rc}: ${err}")
  endif()
endif()

file(WRITE ${WORK}/captions.txt "Hive\r\nBrood\r\n")
run(0 sheet captioned.rpt --captions captions.txt)

run(2 sheet)
run(2 sheet sheet.txt)
run(2 sheet sheet.rpt --design)
run(2 sheet sheet.png --dpi many)
run(1 sheet ${WORK}/no/such/dir/sheet.png)

# The sheet in the language the program would speak (LANGUAGE before LANG)
# or the one --lang names: its header and built-in headings.
find_program(PDFTOTEXT pdftotext)
function(sheet_text pdf pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LC_ALL --unset=LC_MESSAGES --unset=LANGUAGE ${ARGN}
                  WORKING_DIRECTORY ${WORK} TIMEOUT ${RUN_TIMEOUT} RESULT_VARIABLE rc)
  execute_process(COMMAND ${PDFTOTEXT} -raw ${WORK}/${pdf} - OUTPUT_VARIABLE text)
  if(NOT rc EQUAL 0 OR NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${ARGN}: exit ${rc}, expected '${pattern}' in:\n${text}")
  endif()
endfunction()
if(PDFTOTEXT)
  sheet_text(de.pdf "Bienenstand : Datum :.*Datum/Volk" LANG=de_DE.UTF-8 ${RPTOOL} sheet de.pdf)
  sheet_text(fr.pdf "Rucher : Date :.*Tenue.cadre" LANG=fr_FR.UTF-8 ${RPTOOL} sheet fr.pdf)
  sheet_text(language.pdf "Rucher : Date :" LANG=de_DE.UTF-8 LANGUAGE=fr ${RPTOOL} sheet language.pdf)
  sheet_text(lang.pdf "Rucher : Date :" LANG=de_DE.UTF-8 ${RPTOOL} sheet lang.pdf --lang fr)
  sheet_text(c.pdf "Apiary : Date :.*Date/hive" LANG=C ${RPTOOL} sheet c.pdf)
endif()
