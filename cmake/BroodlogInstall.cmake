# Install rules for a desktop: the programs, the menu entry, the icon, the
# AppStream metadata and the man page; and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

set(BROODLOG_APP_ID org.broodlog.broodlog)
set(broodlog_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS broodlog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${broodlog_data}/${BROODLOG_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

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

# rptool and its manual page: where tools/rptool makes the page from its
# command table (target rptool_man), it installs both itself; otherwise the
# page is the one written by hand in docs/, if there is one.
set(BROODLOG_HAVE_MAN_PAGE OFF)
if(TARGET rptool_man)
  set(BROODLOG_HAVE_MAN_PAGE ON)
else()
  install(TARGETS rptool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(man_page ${PROJECT_SOURCE_DIR}/docs/rptool.1)
  if(EXISTS ${man_page})
    set(BROODLOG_HAVE_MAN_PAGE ON)
    install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_PACKAGE_NAME broodlog)
set(CPACK_PACKAGE_VENDOR "The broodlog developers")
set(CPACK_PACKAGE_CONTACT "The broodlog developers <dev@broodlog.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prints a blank hive record sheet to fill in at the hives")
set(CPACK_PACKAGE_DESCRIPTION
    "broodlog prints the record sheet a beekeeper takes to the hives: one landscape A4 page\n\
with the apiary name and the date, 21 column headings and 30 ruled rows. It shows the\n\
sheet in a preview first, prints it through CUPS or saves it as PDF. rptool makes the\n\
same sheet without a display and works on saved reports.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://broodlog.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries come from dpkg-shlibdeps where it is there. Qt Widgets
# and Print Support are named as well: without dpkg-shlibdeps they would be
# missing, and the CUPS print plugin (in libqt6printsupport6) is loaded at
# run time, not linked. The sheet's fonts are Liberation's; links open with
# xdg-open.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4), fonts-liberation, xdg-utils")
# Qt's Wayland platform, for desktops without X11.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/" "/\\\\.git/")
include(CPack)
