# Install rules for a desktop: the programs, the menu entry, the icon, the
# AppStream metadata and the man page; and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

set(BROODLOG_APP_ID org.broodlog.broodlog)
set(broodlog_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS broodlog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${broodlog_data}/${BROODLOG_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The program's translations (src/app/CMakeLists.txt compiles them), where
# it looks for them beside its data: bin/../share/broodlog/translations.
install(FILES ${BROODLOG_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/broodlog/translations)

# The release in the metadata follows the project version.
configure_file(${broodlog_data}/${BROODLOG_APP_ID}.metainfo.xml
               ${PROJECT_BINARY_DIR}/data/${BROODLOG_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/${BROODLOG_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The PNG sizes are rendered from the SVG by scripts/render_icons.sh.
set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${broodlog_data}/icons/${BROODLOG_APP_ID}.svg DESTINATION ${icon_dir}/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${broodlog_data}/icons/${BROODLOG_APP_ID}-${size}.png
          DESTINATION ${icon_dir}/${size}x${size}/apps RENAME ${BROODLOG_APP_ID}.png)
endforeach()

# The manual pages, gzipped as Debian installs them (-n: no name or time in
# the header, so the package is reproducible). rptool writes its own page
# from its command table (target rptool_man); broodlog's is written by hand.
find_program(GZIP gzip REQUIRED)
set(man_dir ${PROJECT_BINARY_DIR}/data/man)
configure_file(${broodlog_data}/broodlog.1 ${man_dir}/broodlog.1 @ONLY)
add_custom_command(OUTPUT ${man_dir}/rptool.1
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/tools/rptool/rptool.1 ${man_dir}/rptool.1
  DEPENDS rptool_man ${PROJECT_BINARY_DIR}/tools/rptool/rptool.1 VERBATIM)
set(man_pages "")
foreach(page broodlog rptool)
  add_custom_command(OUTPUT ${man_dir}/${page}.1.gz
    COMMAND ${GZIP} -n -9 -f -k ${man_dir}/${page}.1
    DEPENDS ${man_dir}/${page}.1 VERBATIM)
  list(APPEND man_pages ${man_dir}/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's documents: the licence in Debian's machine-readable form and
# the changelog of a native package. Its newest entry is this version's.
file(STRINGS ${broodlog_data}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^broodlog \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "data/changelog has no entry for version ${PROJECT_VERSION} at the top: ${changelog_top}")
endif()
set(doc_build_dir ${PROJECT_BINARY_DIR}/data/doc)
configure_file(${broodlog_data}/changelog ${doc_build_dir}/changelog COPYONLY)
add_custom_command(OUTPUT ${doc_build_dir}/changelog.gz
  COMMAND ${GZIP} -n -9 -f -k ${doc_build_dir}/changelog
  DEPENDS ${doc_build_dir}/changelog VERBATIM)
add_custom_target(changelog ALL DEPENDS ${doc_build_dir}/changelog.gz)
install(FILES ${broodlog_data}/copyright ${doc_build_dir}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. The project has no web or mail address of its own: the
# package names no homepage, and its maintainer address is in the reserved
# .invalid domain until a packager gives a real one.
set(BROODLOG_MAINTAINER "The broodlog developers <broodlog@broodlog.invalid>" CACHE STRING
    "The Debian package's Maintainer: name <address>")
set(CPACK_PACKAGE_NAME broodlog)
set(CPACK_PACKAGE_VENDOR "The broodlog developers")
set(CPACK_PACKAGE_CONTACT "${BROODLOG_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prints a blank hive record sheet to fill in at the hives")
set(CPACK_PACKAGE_DESCRIPTION
    "broodlog prints the record sheet a beekeeper takes to the hives: one\n\
landscape A4 page with the apiary name and the date, 21 column headings and\n\
30 ruled rows. It shows the sheet in a preview first, prints it through CUPS\n\
or saves it as PDF. rptool makes the same sheet without a display and works\n\
on saved reports.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries come from dpkg-shlibdeps where it is there, Qt Widgets
# among them; only without it are they named here, so that each library has
# one entry. The program opens libcups when it first prints, which
# dpkg-shlibdeps cannot see, so that one is named always. The sheet's fonts
# are Liberation's; links open with xdg-open. Qt's Wayland plugin is recommended, not required: without it Qt
# falls back to X11, which GNOME and KDE provide on Wayland through XWayland.
# Qt's own translations (its dialogs' and message boxes' buttons, in the
# user's language) are recommended too; without them those stay English.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcups2, fonts-liberation, xdg-utils")
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6 (>= 6.4), ")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/" "/\\\\.git/")
include(CPack)
