#!/usr/bin/env bash
# Installs what building, packaging and running need on Debian 12, and with
# --tests what the tests need besides, only what is missing:
#   always: the native and the mingw-w64 compilers (32- and 64-bit Windows),
#     GoogleTest, Google Benchmark, the image libraries of the tools, Xlib and the
#     Wayland libraries for velmora, 64-bit Wine with Xvfb and the X tools the
#     saver's private screen takes pictures with, NSIS for the installers, the
#     ru_RU.UTF-8 and en_US.UTF-8 locales (Wine's code pages 1251 and 1252), the
#     arm64 and armhf cross compilers, emulator and libraries, rpmbuild, Emscripten;
#   --tests: 32-bit Wine, xscreensaver, clang for the fuzz targets, the headless
#     sway, GNOME and KDE the Wayland tests run under, and the three browsers.
# Safe to run again: with everything in place it changes nothing.
set -euo pipefail
tests=0
[[ ${1:-} == --tests ]] && tests=1

packages=(
  cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev
  libpng-dev libgif-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool imagemagick x11-apps x11-utils
  libx11-dev libxext-dev libxss-dev dpkg-dev python3 procps x11-xserver-utils
  locales nsis
  # The Wayland saver (sd-bus from libsystemd for GNOME's idle watch, libdecor with
  # its plugin for the window's decorations)
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev libsystemd-dev libdecor-0-dev
  libdecor-0-plugin-1-cairo pkg-config
  # arm64 and armhf (64- and 32-bit Raspberry Pi OS, Debian arm64 and armhf): the
  # cross compilers, the user-mode emulator the tests run their programs under, and
  # their libraries through multiarch.
  g++-aarch64-linux-gnu qemu-user libc6:arm64 libstdc++6:arm64 libx11-dev:arm64 libxext-dev:arm64
  libpng-dev:arm64 libgif-dev:arm64 libgtest-dev:arm64 libwayland-dev:arm64 libxkbcommon-dev:arm64
  libsystemd-dev:arm64 libdecor-0-dev:arm64 libxss-dev:arm64
  g++-arm-linux-gnueabihf libc6:armhf libstdc++6:armhf libx11-dev:armhf libxext-dev:armhf
  libpng-dev:armhf libgif-dev:armhf libgtest-dev:armhf libwayland-dev:armhf libxkbcommon-dev:armhf
  libsystemd-dev:armhf libdecor-0-dev:armhf libxss-dev:armhf
  # The RPMs (cpack -G RPM), and rpm2cpio that unpacks one in the tests.
  rpm rpm2cpio
  # The web page: Emscripten (with node) builds it.
  emscripten
)
test_packages=(
  wine32:i386 xscreensaver xscreensaver-data-extra
  clang libclang-rt-14-dev
  # The headless sway with its tools, GNOME (gnome-shell, about 390 MB) and KDE
  # (kwin, about 180 MB) the Wayland tests run under, with private buses
  sway swayidle grim wtype gnome-shell mutter kwin-wayland dbus-daemon
  # Chromium, Firefox and WebKitGTK (its WebDriver with MiniBrowser) test the page.
  chromium firefox-esr webkit2gtk-driver
)
((tests)) && packages+=("${test_packages[@]}")

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "install-deps: must run as root (or with sudo available)" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive

# installed NAME[:ARCH]: a package of this machine's architecture (or of all), or of ARCH
# (a name lists one line for each architecture it is installed for).
installed() {
  local architecture
  architecture="($(dpkg --print-architecture)|all)"
  [[ $1 == *:* ]] && architecture=${1#*:}
  dpkg-query -W -f='${Architecture} ${Status}\n' "$1" 2>/dev/null | grep -qxE "$architecture install ok installed"
}

changed=0
# arm64 and armhf for the ARM libraries, i386 for the tests' 32-bit Wine; before apt-get update.
architectures=(arm64 armhf)
((tests)) && architectures+=(i386)
for architecture in "${architectures[@]}"; do
  if ! dpkg --print-foreign-architectures | grep -qx "$architecture"; then
    echo "install-deps: adding the $architecture architecture"
    "${as_root[@]}" dpkg --add-architecture "$architecture"
    changed=1
  fi
done

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done

if ((${#missing[@]} > 0 || changed)); then
  started=$SECONDS
  "${as_root[@]}" apt-get update
  if ((${#missing[@]} > 0)); then
    echo "install-deps: installing ${missing[*]}"
    # Without the recommended extras: the machines the tests were measured on
    # have none of them, and Wine's display modes depend on which X libraries
    # are present.
    "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  echo "install-deps: packages ready in $((SECONDS - started)) s"
else
  echo "install-deps: all packages present"
fi

# Wine's ANSI code page follows the locale: 1251 under ru_RU, 1252 under en_US.
for name in ru_RU en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$name\.utf-\?8"; then
    echo "install-deps: generating the $name.UTF-8 locale"
    "${as_root[@]}" localedef -i "$name" -f UTF-8 "$name.UTF-8"
  fi
done
