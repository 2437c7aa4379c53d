# SPDX-License-Identifier: MIT
# Identity and packaging: the application icon, the Windows version record,
# the desktop entry, AppStream metadata, man pages, install rules and the
# Debian package (`cpack -G DEB`, or `make package` at the top).
include(GNUInstallDirs)

set(TINTORAL_APP_ID org.tintoral.Tintoral)
set(TINTORAL_ICON_SIZES 16 32 48 256)

# The icon, drawn from its text pixel map: the Windows icon file, PNGs for the
# window and the icon theme, and an SVG.
add_executable(tintoral-make-icon tools/make_icon.cpp)
target_link_libraries(tintoral-make-icon PRIVATE Qt6::Gui)
set_target_properties(tintoral-make-icon PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

set(TINTORAL_ICON_MAP ${CMAKE_SOURCE_DIR}/packaging/icon/tintoral-icon.txt)
set(TINTORAL_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(tintoral_icon_pngs)
foreach(size IN LISTS TINTORAL_ICON_SIZES)
  list(APPEND tintoral_icon_pngs ${TINTORAL_ICON_DIR}/tintoral-${size}.png)
endforeach()
set(tintoral_icon_files ${TINTORAL_ICON_DIR}/tintoral.ico ${TINTORAL_ICON_DIR}/tintoral.svg ${tintoral_icon_pngs})
add_custom_command(OUTPUT ${tintoral_icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TINTORAL_ICON_DIR}
  COMMAND tintoral-make-icon ${TINTORAL_ICON_MAP} ${TINTORAL_ICON_DIR}
  DEPENDS tintoral-make-icon ${TINTORAL_ICON_MAP}
  COMMENT "Drawing the application icon from its pixel map"
  VERBATIM)
add_custom_target(tintoral-icons ALL DEPENDS ${tintoral_icon_files})

# The window icon, built into the program.
qt_add_resources(tintoral tintoral_icons PREFIX /icons BASE ${TINTORAL_ICON_DIR} FILES ${tintoral_icon_pngs})

# On Windows: the version record and the icon of the executable.
if(WIN32)
  target_sources(tintoral PRIVATE app/tintoral.rc)
  set_property(SOURCE app/tintoral.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${TINTORAL_ICON_DIR})
  set_property(SOURCE app/tintoral.rc APPEND PROPERTY OBJECT_DEPENDS ${TINTORAL_ICON_DIR}/tintoral.ico)
  add_dependencies(tintoral tintoral-icons)
  set_target_properties(tintoral PROPERTIES OUTPUT_NAME Tintoral WIN32_EXECUTABLE ON)
endif()

# Desktop entry, AppStream metadata and man pages, with the version filled in.
set(TINTORAL_SHARE_DIR ${CMAKE_BINARY_DIR}/share)
configure_file(packaging/${TINTORAL_APP_ID}.desktop ${TINTORAL_SHARE_DIR}/${TINTORAL_APP_ID}.desktop COPYONLY)
configure_file(packaging/${TINTORAL_APP_ID}.metainfo.xml.in ${TINTORAL_SHARE_DIR}/${TINTORAL_APP_ID}.metainfo.xml @ONLY)
set(tintoral_man_pages)
foreach(page tintoral tintoral-render)
  configure_file(packaging/${page}.1.in ${TINTORAL_SHARE_DIR}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${TINTORAL_SHARE_DIR}/${page}.1.gz
    COMMAND gzip -9 -n -c ${TINTORAL_SHARE_DIR}/${page}.1 > ${TINTORAL_SHARE_DIR}/${page}.1.gz
    DEPENDS ${TINTORAL_SHARE_DIR}/${page}.1
    COMMENT "Compressing the man page ${page}(1)")
  list(APPEND tintoral_man_pages ${TINTORAL_SHARE_DIR}/${page}.1.gz)
endforeach()
add_custom_target(tintoral-man-pages ALL DEPENDS ${tintoral_man_pages})

# Install rules. The programs use the system's libraries only, so they get no
# library search path (Qt's project setup would give them $ORIGIN/../lib).
set_target_properties(tintoral tintoral-render PROPERTIES INSTALL_RPATH "")
install(TARGETS tintoral tintoral-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TINTORAL_SHARE_DIR}/${TINTORAL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TINTORAL_SHARE_DIR}/${TINTORAL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS TINTORAL_ICON_SIZES)
  install(FILES ${TINTORAL_ICON_DIR}/tintoral-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tintoral.png)
endforeach()
install(FILES ${TINTORAL_ICON_DIR}/tintoral.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${tintoral_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The machine-readable copyright file and the changelog, compressed without a
# name or a time stamp so that the package builds the same every time.
configure_file(packaging/debian/changelog.in ${TINTORAL_SHARE_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${TINTORAL_SHARE_DIR}/changelog.gz
  COMMAND gzip -9 -n -c ${TINTORAL_SHARE_DIR}/changelog > ${TINTORAL_SHARE_DIR}/changelog.gz
  DEPENDS ${TINTORAL_SHARE_DIR}/changelog
  COMMENT "Compressing the changelog")
add_custom_target(tintoral-changelog ALL DEPENDS ${TINTORAL_SHARE_DIR}/changelog.gz)
install(FILES packaging/debian/copyright ${TINTORAL_SHARE_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tintoral)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tintoral)
set(CPACK_PACKAGE_VENDOR "The Tintoral developers")
set(CPACK_PACKAGE_VERSION ${TINTORAL_DISPLAY_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tintoral developers <developers@tintoral.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen test patterns for checking and adjusting a display")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tintoral fills the screen with one of 24 test patterns: solid colours,"
  "stepped intensity ramps, colour bars, black and white level steps, line"
  "gratings, single-pixel dots, convergence crosses, a geometry grid with"
  "circles and a test card. Every pattern is drawn in device pixels with"
  "exactly the colour asked for. The tintoral-render tool draws the same"
  "patterns to PNG files.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tintoral)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Wayland plugin is loaded at run time, so no library lookup finds it:
# without it the program falls back to X11 through Xwayland on a Wayland
# desktop, where the compositor may scale every pixel.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
include(CPack)
