#!/usr/bin/env bash
# The main job: installs what is missing, builds the native tools, the X11
# saver and its Debian package and RPM, the same for arm64 and armhf (cross-built,
# with their own packages), the Windows saver and its installer for 32- and
# 64-bit Windows, the web page, says what was built and where, and starts the
# 64-bit Windows saver under 64-bit Wine, which runs on every x86-64 kernel
# (scripts/start-saver.sh; its options pass through) and, on a Linux desktop,
# the Linux saver velmora in its own window (Wayland or X11).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
jobs=2

build_all() {
  bash scripts/install-deps.sh </dev/null
  local generator=()
  [[ -f build/native-release/CMakeCache.txt ]] || generator=(-G Ninja)
  cmake -S . -B build/native-release "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
  cmake --build build/native-release -j "$jobs"
  (cd build/native-release && cpack -G DEB >/dev/null && cpack -G RPM >/dev/null)
  # The same programs and packages for 64- and 32-bit ARM (Raspberry Pi OS, Debian
  # arm64 and armhf).
  local arch triplet
  for arch in arm64:aarch64-linux-gnu armhf:arm-linux-gnueabihf; do
    triplet=${arch#*:} arch=${arch%%:*}
    generator=()
    [[ -f build/$arch/CMakeCache.txt ]] || generator=(-G Ninja)
    cmake -S . -B "build/$arch" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$triplet.cmake" \
      -DVELMORA_NATIVE_BUILD="$root/build/native-release"
    cmake --build "build/$arch" -j "$jobs"
    (cd "build/$arch" && cpack -G DEB >/dev/null && cpack -G RPM >/dev/null)
  done
  # The Windows saver and installer for 32- and 64-bit Windows.
  local tree toolchain
  for tree in windows:i686 windows64:x86_64; do
    toolchain=${tree#*:} tree=build/${tree%:*}
    generator=()
    [[ -f $tree/CMakeCache.txt ]] || generator=(-G Ninja)
    cmake -S . -B "$tree" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$toolchain-w64-mingw32.cmake"
    cmake --build "$tree" -j "$jobs"
  done
  generator=()
  [[ -f build/web/CMakeCache.txt ]] || generator=(-G Ninja)
  emcmake cmake -S . -B build/web "${generator[@]}"
  cmake --build build/web -j "$jobs"
}

# Executables of a build tree, without CMake's own, GoogleTest's, the tests and CPack's staging copies.
programs_in() {
  find "$1" \( -name CMakeFiles -o -name googletest -o -name tests -o -name wineprefix -o -name e2e -o -name _CPack_Packages \) -prune \
    -o -type f \( -name '*.exe' -o -name '*.scr' -o -perm -u+x \) ! -name '*.sh' -print | sort
}

report() {
  echo
  echo "Built:"
  local file
  while IFS= read -r file; do
    case $file in
      build/arm64/* | build/armhf/*) echo "  $file  (${file:6:5} program)" ;;
      build/windows64/*.scr) echo "  $file  (the screen saver for 64-bit Windows)" ;;
      *.scr) echo "  $file  (the screen saver for 32-bit Windows; runs on 64-bit Windows too)" ;;
      build/windows64/*.exe) echo "  $file  (64-bit Windows program)" ;;
      *.exe) echo "  $file  (32-bit Windows program)" ;;
      */bench/*) echo "  $file  (benchmark, native)" ;;
      */linux/velmora) echo "  $file  (the Linux screen saver, X11 and Wayland)" ;;
      *) echo "  $file  (native tool)" ;;
    esac
  done < <(programs_in build/native-release; programs_in build/arm64; programs_in build/armhf; programs_in build/windows; programs_in build/windows64)
  for file in build/native-release/velmora_*.deb; do
    [[ -e $file ]] && echo "  $file  (package)"
  done
  for file in build/native-release/velmora-*.rpm build/arm64/velmora-*.rpm build/armhf/velmora-*.rpm; do
    [[ -e $file ]] && echo "  $file  (RPM package: Fedora, openSUSE)"
  done
  for file in build/windows64/Velmora-Setup-*-64-bit.exe; do
    [[ -e $file ]] && echo "  $file  (installer for 64-bit Windows)"
  done
  for file in build/windows/Velmora-Setup-*-32-bit.exe; do
    [[ -e $file ]] && echo "  $file  (installer for 32-bit Windows)"
  done
  for file in build/arm64/velmora_*_arm64.deb; do
    [[ -e $file ]] && echo "  $file  (package for arm64: 64-bit Raspberry Pi OS, Debian arm64)"
  done
  for file in build/armhf/velmora_*_armhf.deb; do
    [[ -e $file ]] && echo "  $file  (package for armhf: 32-bit Raspberry Pi OS on a Pi 2 or later, Debian armhf)"
  done
  echo "  build/web/velmora.html  (the web page, self-contained: open it in a browser)"
  echo
  echo "The tests run with: bash scripts/test.sh"
}

build_all
report
# On a Linux desktop, the saver in its own window as well (q or Escape ends it).
headless=0
for argument in "$@"; do [[ $argument == --headless ]] && headless=1; done
if ((!headless)) && [[ -n ${WAYLAND_DISPLAY:-} ]]; then
  build/native-release/linux/velmora --wayland --geometry 1024x768 &
  echo
  echo "velmora runs in its own window on Wayland (pid $!); q, Escape or closing the window ends it"
elif ((!headless)) && [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  build/native-release/linux/velmora --geometry 1024x768 &
  echo
  echo "velmora runs in its own window on $DISPLAY (pid $!); q, Escape or closing the window ends it"
fi
# The 64-bit saver under 64-bit Wine: on this display, or on a private screen with screenshots.
echo
bash scripts/start-saver.sh "$@" build/windows64
