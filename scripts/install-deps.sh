#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and only what is missing:
# the native and the mingw-w64 compilers (32- and 64-bit Windows), GoogleTest, Google Benchmark, the image
# libraries of the tools, Xlib for the X11 saver and xscreensaver to test it
# under, 32- and 64-bit Wine, Xvfb with the X tools the end-to-end tests
# drive it with, NSIS for the installer, and the ru_RU.UTF-8 and en_US.UTF-8
# locales under which Wine uses code pages 1251 and 1252, the arm64 and armhf
# cross compilers, emulator and libraries, and rpmbuild for the RPMs.
# Safe to run again: with everything in place it changes nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev
  libpng-dev libgif-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64
  xvfb xdotool imagemagick x11-apps x11-utils
  libx11-dev libxext-dev dpkg-dev python3 procps x11-xserver-utils xscreensaver xscreensaver-data-extra
  locales nsis
  clang libclang-rt-14-dev
  # The Wayland saver, and the headless sway with its tools that its tests run under
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev pkg-config sway swayidle grim wtype
  # arm64 and armhf (64- and 32-bit Raspberry Pi OS, Debian arm64 and armhf): the
  # cross compilers, the user-mode emulator the tests run their programs under, and
  # their libraries through multiarch.
  g++-aarch64-linux-gnu qemu-user libc6:arm64 libstdc++6:arm64 libx11-dev:arm64 libxext-dev:arm64
  libpng-dev:arm64 libgif-dev:arm64 libgtest-dev:arm64 libwayland-dev:arm64 libxkbcommon-dev:arm64
  g++-arm-linux-gnueabihf libc6:armhf libstdc++6:armhf libx11-dev:armhf libxext-dev:armhf
  libpng-dev:armhf libgif-dev:armhf libgtest-dev:armhf libwayland-dev:armhf libxkbcommon-dev:armhf
  # The RPMs (cpack -G RPM), and rpm2archive that unpacks one in the tests.
  rpm rpm2cpio
  # The web page: Emscripten (with node) builds it; Chromium, Firefox and WebKitGTK
  # (its WebDriver with MiniBrowser) test it.
  emscripten chromium firefox-esr webkit2gtk-driver
)

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
# i386 for 32-bit Wine, arm64 and armhf for the ARM libraries; before apt-get update.
for architecture in i386 arm64 armhf; do
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
