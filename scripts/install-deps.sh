#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and only what is missing:
# the native and the mingw-w64 compilers, GoogleTest, Google Benchmark, the image
# libraries of the tools, Xlib for the X11 saver and xscreensaver to test it
# under, 32-bit Wine, Xvfb with the X tools the end-to-end tests
# drive it with, NSIS for the installer, and the ru_RU.UTF-8 and en_US.UTF-8
# locales under which Wine uses code pages 1251 and 1252, and the arm64 cross
# compiler, emulator and libraries.
# Safe to run again: with everything in place it changes nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev
  libpng-dev libgif-dev
  g++-mingw-w64-i686-posix
  wine wine32:i386 wine64
  xvfb xdotool imagemagick x11-apps x11-utils
  libx11-dev libxext-dev dpkg-dev python3 procps x11-xserver-utils xscreensaver xscreensaver-data-extra
  locales nsis
  clang libclang-rt-14-dev
  # The Wayland saver, and the headless sway with its tools that its tests run under
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev pkg-config sway swayidle grim wtype
  # arm64 (Raspberry Pi OS, Debian arm64): the cross compiler, the user-mode emulator
  # the tests run its programs under, and the arm64 libraries through multiarch.
  g++-aarch64-linux-gnu qemu-user libc6:arm64 libstdc++6:arm64 libx11-dev:arm64 libxext-dev:arm64
  libpng-dev:arm64 libgif-dev:arm64 libgtest-dev:arm64 libwayland-dev:arm64 libxkbcommon-dev:arm64
  # The web page: Emscripten (with node) builds it, headless Chromium tests it.
  emscripten chromium
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

installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}

changed=0
# i386 for 32-bit Wine, arm64 for the arm64 libraries; before apt-get update.
for architecture in i386 arm64; do
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
