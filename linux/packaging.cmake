# The Debian package of the Linux programs (cpack -G DEB in a native or arm64 build tree):
# velmora_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvane Software")
set(CPACK_PACKAGE_CONTACT "Quorvane Software <velmora@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velmora Screen Saver: fractals of iterated function systems")
set(CPACK_PACKAGE_DESCRIPTION "A screen saver for xscreensaver and other X11 screen lockers, and on Wayland\n\
for idle daemons or as an animated wallpaper, that animates fractals drawn\n\
with the chaos game, each slowly deforming and blending into the next, and\n\
velmora-render, which draws the same frames into PNG, GIF or raw files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# dpkg-shlibdeps takes the dependencies from the libraries of the programs' own
# architecture (the arm64 ones installed through multiarch in a cross tree).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack names the build machine's architecture; a cross tree names its target's.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
set(CPACK_DEBIAN_PACKAGE_ENHANCES xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | swayidle")
set(CPACK_STRIP_FILES ON)
include(CPack)
