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
install(FILES ${PROJECT_SOURCE_DIR}/res/selvo-viewer.metainfo.xml DESTINATION share/metainfo)

# Pages of the programs the package holds, compressed as Debian keeps them;
# selvo-export's only when it is built.
set(SELVO_MAN_PAGES selvo-viewer selvo-check selvo-case selvo-motion)
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
and times. selvo-check verifies a whole export from the command line;
selvo-motion finds the moments something moved in an area of a camera;
selvo-case lists the bookmarks and the viewing log of a case file.")
# Depends comes from the libraries the programs link (dpkg-shlibdeps),
# libsqlite3-0 among them. The sqlite3 shell reads a case file without us.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS sqlite3)
set(CPACK_GENERATOR DEB)
include(CPack)
