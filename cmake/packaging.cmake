# Installing the Linux programs where screen lockers look for them, and the Debian
# package (cpack -G DEB in a native build tree): velmora_VERSION_ARCH.deb.
if(WIN32)
  return()
endif()
include(GNUInstallDirs)

# xscreensaver runs its programs from ${libexecdir}/xscreensaver and describes
# their settings in ${datadir}/xscreensaver/config.
install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES ${CMAKE_SOURCE_DIR}/linux/velmora.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

# Manual pages, compressed as Debian keeps them.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page velmora.6 velmora-render.1)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/linux/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/linux/${page} VERBATIM)
  list(APPEND VELMORA_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(velmora_man_pages ALL DEPENDS ${VELMORA_MAN_PAGES})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvane Software")
set(CPACK_PACKAGE_CONTACT "Quorvane Software <velmora@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velmora Screen Saver: fractals of iterated function systems")
set(CPACK_PACKAGE_DESCRIPTION "A screen saver for xscreensaver and other X11 screen lockers that animates\n\
fractals drawn with the chaos game, each slowly deforming and blending into\n\
the next, and velmora-render, which draws the same frames into PNG, GIF or\n\
raw files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_ENHANCES xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_STRIP_FILES ON)
include(CPack)
