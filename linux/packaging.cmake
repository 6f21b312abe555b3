# The packages of the Linux programs, from a native or ARM build tree: the Debian
# package (cpack -G DEB: velmora_VERSION_ARCH.deb) and the RPM for Fedora and
# openSUSE (cpack -G RPM: velmora-VERSION-RELEASE.ARCH.rpm), with the same files.
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
# architecture (those installed through multiarch in a cross tree).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack names the build machine's architecture; a cross tree names its target's,
# as its toolchain file gives them.
if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VELMORA_DEB_ARCHITECTURE})
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${VELMORA_RPM_ARCHITECTURE})
endif()
set(CPACK_DEBIAN_PACKAGE_ENHANCES xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | swayidle")
set(CPACK_STRIP_FILES ON)

# The RPM: the same summary and description, named the way rpmbuild names packages.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
# No licence has been granted: all rights stay with Quorvane Software.
set(CPACK_RPM_PACKAGE_LICENSE "Proprietary")
set(CPACK_RPM_PACKAGE_GROUP "Amusements/Graphics")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# rpmbuild finds the shared libraries the programs need (libX11.so.6()(64bit) and
# the others) in their ELF headers, whatever the architecture; they provide none.
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_PACKAGE_AUTOPROV OFF)
set(CPACK_PACKAGE_RELOCATABLE OFF)
# The system's folders belong to Fedora's filesystem package.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
  /usr/libexec /usr/share/man /usr/share/man/man1 /usr/share/man/man6)
# The files as CPack installed and stripped them, those of the Debian package:
# none of rpmbuild's own stripping (with the build machine's strip, whatever the
# target) and no /usr/lib/.build-id links.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none
%define __os_install_post %{nil}")
include(CPack)
