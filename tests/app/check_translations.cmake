# Fails while any text of the program lacks its translation in a shipped
# language. lupdate reads the sources into a copy of each .ts file, as the
# update_translations target would: a text new in the sources comes out
# unfinished, one that has gone comes out vanished. The menu entry and the
# AppStream metadata must carry each language too.
#   -DLUPDATE=... -DOPTIONS=... -DSOURCE=<checkout> -DWORK=<folder> -DLANGUAGES=de;fr
#   -DMETAINFO=<configured metainfo file>
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(failures "")
foreach(lang IN LISTS LANGUAGES)
  set(ts ${WORK}/broodlog_${lang}.ts)
  file(COPY_FILE ${SOURCE}/data/translations/broodlog_${lang}.ts ${ts})
  execute_process(
    COMMAND ${LUPDATE} ${OPTIONS} ${SOURCE}/src/app ${SOURCE}/src/sheet ${SOURCE}/src/widgets ${SOURCE}/src/platform -ts ${ts}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed for ${lang}:\n${out}")
  endif()
  file(STRINGS ${ts} lines)
  set(source "")
  foreach(line IN LISTS lines)
    if(line MATCHES "<source>(.*)</source>")
      set(source "${CMAKE_MATCH_1}")
    elseif(line MATCHES "type=\"(unfinished|vanished|obsolete)\"")
      string(APPEND failures "  ${lang}: \"${source}\" is ${CMAKE_MATCH_1}\n")
    endif()
  endforeach()

  file(STRINGS ${SOURCE}/data/org.broodlog.broodlog.desktop desktop)
  foreach(key GenericName Comment Keywords)
    if(NOT desktop MATCHES "(^|;)${key}\\[${lang}\\]=")
      string(APPEND failures "  ${lang}: the menu entry has no ${key}[${lang}]\n")
    endif()
  endforeach()
  file(READ ${METAINFO} metainfo)
  string(REGEX MATCHALL "<p>" english "${metainfo}")
  string(REGEX MATCHALL "<p xml:lang=\"${lang}\">" translated "${metainfo}")
  list(LENGTH english english_count)
  list(LENGTH translated translated_count)
  if(NOT metainfo MATCHES "<summary xml:lang=\"${lang}\">")
    string(APPEND failures "  ${lang}: the AppStream metadata has no summary\n")
  endif()
  if(NOT english_count EQUAL translated_count)
    string(APPEND failures "  ${lang}: the AppStream description has ${translated_count} of ${english_count} paragraphs\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "Texts without a translation:\n${failures}"
                      "Run `cmake --build build --target update_translations` and translate them "
                      "(data/translations/*.ts, data/org.broodlog.broodlog.*).")
endif()
message(STATUS "Every text has its translation in ${LANGUAGES}")
