# What `cmake --install` puts beside the programs, and the Debian package
# made from it (`cpack -G DEB` in a Release build). The programs install
# themselves in their own folders.

# The setting file that chooses the variant travels with the program: in the
# build tree beside the programs, so they start from any directory, and in
# share/selvo-viewer once installed.
configure_file(${PROJECT_SOURCE_DIR}/res/Viewer2.ini ${PROJECT_BINARY_DIR}/Viewer2.ini COPYONLY)
install(FILES ${PROJECT_SOURCE_DIR}/res/Viewer2.ini DESTINATION share/selvo-viewer)

install(FILES ${PROJECT_SOURCE_DIR}/res/selvo-viewer.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/selvo-viewer.svg DESTINATION share/icons/hicolor/scalable/apps)
# The bitmap sizes of the icon, drawn from the SVG at build time for the
# desktops and panels that take only those.
find_program(SELVO_RSVG_CONVERT rsvg-convert)
if(SELVO_RSVG_CONVERT)
  set(SELVO_ICONS)
  foreach(size 16 22 24 32 48 64 128 256)
    set(icon ${PROJECT_BINARY_DIR}/icons/${size}x${size}/selvo-viewer.png)
    add_custom_command(OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${SELVO_RSVG_CONVERT} -w ${size} -h ${size} -o ${icon} ${PROJECT_SOURCE_DIR}/res/selvo-viewer.svg
      DEPENDS ${PROJECT_SOURCE_DIR}/res/selvo-viewer.svg
      VERBATIM)
    list(APPEND SELVO_ICONS ${icon})
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(selvo-icons ALL DEPENDS ${SELVO_ICONS})
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: only the SVG icon is installed")
endif()

# What Debian asks of every package: the copyright and a changelog, kept
# compressed as Debian keeps them.
install(FILES ${PROJECT_SOURCE_DIR}/res/package/copyright DESTINATION share/doc/selvo-viewer)
configure_file(${PROJECT_SOURCE_DIR}/res/package/changelog.in ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/package/changelog > ${PROJECT_BINARY_DIR}/package/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/package/changelog
  VERBATIM)
add_custom_target(selvo-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/package/changelog.gz DESTINATION share/doc/selvo-viewer)
install(FILES ${PROJECT_SOURCE_DIR}/res/selvo-viewer.metainfo.xml DESTINATION share/metainfo)

# Pages of the programs the package holds, compressed as Debian keeps them;
# selvo-export's only when it is built. selvo-check-report's page says it is
# an internal helper.
set(SELVO_MAN_PAGES selvo-viewer selvo-check selvo-check-report selvo-case selvo-motion)
if(TARGET selvo-export)
  list(APPEND SELVO_MAN_PAGES selvo-export)
endif()
set(SELVO_COMPRESSED_MAN_PAGES)
foreach(page ${SELVO_MAN_PAGES})
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/docs/man/${page}.1 > ${compressed}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1
    VERBATIM)
  list(APPEND SELVO_COMPRESSED_MAN_PAGES ${compressed})
endforeach()
add_custom_target(selvo-man-pages ALL DEPENDS ${SELVO_COMPRESSED_MAN_PAGES})
install(FILES ${SELVO_COMPRESSED_MAN_PAGES} DESTINATION share/man/man1)

set(CPACK_PACKAGE_NAME selvo-viewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Selvo Viewer developers")
set(CPACK_PACKAGE_CONTACT "Selvo Viewer developers <selvo-viewer@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and checker for multi-camera video recorder exports")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/selvo-viewer/selvo-viewer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION
"Selvo Viewer opens the JPEG and JPEG 2000 still-image recordings that
multi-camera digital video recorders export, with their index, millisecond
stamps and sound track, shows one camera or 4, 9 or 16 at once with their
recording times, and plays them forwards and backwards with the sound.
It checks the recorder's trailer in every image and marks altered pictures
and times.
.
The package also holds the command-line programs: selvo-check verifies a
whole export; selvo-export writes one camera to a lossless MKV or a
shareable MP4 video; selvo-motion finds the moments something moved in an
area of a camera; selvo-case lists the bookmarks and the viewing log of a
case file.")
# Depends comes from the libraries the programs link (dpkg-shlibdeps),
# libsqlite3-0 among them. The sqlite3 shell reads a case file without us;
# the overlays' Arial is found as Liberation Sans, and Japanese camera titles
# and menus need a Japanese Gothic face.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sqlite3, fonts-liberation, fonts-ipafont-gothic")
# The programs are installed without their symbols; the build tree keeps them.
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
