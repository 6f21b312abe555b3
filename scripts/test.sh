#!/usr/bin/env bash
# Every test: installs what is missing, builds the trees and runs their
# tests, then prints one closing line "N passed, N failed".
#   build/native-test     Debug, AddressSanitizer + UndefinedBehaviorSanitizer
#   build/native-release  Release: the tools and the benchmarks (built, not run),
#                         and the X11 saver's end-to-end tests on private Xvfb
#                         screens and the Wayland saver's under headless sways
#                         (label e2e; these run only in this tree)
#   build/windows         32-bit Windows with mingw-w64; tests run under Wine on
#                         a private Xvfb screen where the kernel runs 32-bit programs
#   build/windows64       64-bit Windows, tested under 64-bit Wine on every kernel
#   build/arm64           arm64 Linux, cross-built; tests run under qemu-aarch64
#   build/armhf           armhf Linux, cross-built; tests run under qemu-arm
#   build/web             the web page (Emscripten); its tests run in Chromium,
#                         Firefox and WebKitGTK from the native release tree (label web)
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
root=$PWD
jobs=2
started=$SECONDS

passed=0
failed=0
skipped=0
problems=()

say() { printf '\n==> %s\n' "$*"; }

completed=0

# At exit, however the script ends: end what it started, then the totals.
on_exit() {
  local status=$?
  local tree
  for tree in windows windows64; do
    WINEPREFIX=$root/build/$tree/wineprefix wineserver -k >/dev/null 2>&1 || true
  done
  stop_xvfb
  if ((!completed)); then
    problems+=("test.sh stopped early (status $status)")
    failed=$((failed + 1))
  fi
  say "finished in $((SECONDS - started)) s"
  local problem
  for problem in "${problems[@]}"; do
    echo "FAILED: $problem"
  done
  local line="$passed passed, $failed failed"
  ((skipped > 0)) && line+=", $skipped skipped"
  echo "$line"
  ((failed == 0 && ${#problems[@]} == 0)) && exit 0
  exit 1
}

# build NAME DIR CMAKE_ARGS...: configures (Ninja on a new tree) and builds.
build() {
  local name=$1 dir=$2
  shift 2
  local generator=()
  [[ -f $dir/CMakeCache.txt ]] || generator=(-G Ninja)
  say "building $name in $dir"
  local step_started=$SECONDS
  if cmake -S . -B "$dir" "${generator[@]}" "$@" && cmake --build "$dir" -j "$jobs"; then
    echo "built $name in $((SECONDS - step_started)) s"
    return 0
  fi
  problems+=("the $name build")
  failed=$((failed + 1))
  return 1
}

# run_ctest NAME DIR [CTEST_ARGS...]: runs a tree's tests and adds its counts to the totals.
run_ctest() {
  local name=$1 dir=$2
  shift 2
  local log=$dir/ctest-output.log
  say "testing $name"
  local step_started=$SECONDS
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 900 "$@" </dev/null 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local summary total=0 failures=0 skips
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failures=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
  elif ! grep -q 'No tests were found' "$log"; then
    failures=1
  fi
  # Skipped tests count as passed in CTest's summary line.
  skips=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log")
  if ((status != 0 && failures == 0)); then
    failures=1
  fi
  passed=$((passed + total - failures - skips))
  failed=$((failed + failures))
  skipped=$((skipped + skips))
  ((status == 0)) || problems+=("the $name tests")
  echo "tested $name in $((SECONDS - step_started)) s"
}

source tests/lib.sh
trap on_exit EXIT
trap 'exit 130' INT TERM

say "installing what is missing"
step_started=$SECONDS
if ! bash scripts/install-deps.sh --tests </dev/null; then
  problems+=("installing the packages")
  failed=$((failed + 1))
  completed=1
  exit 1
fi
echo "packages checked in $((SECONDS - step_started)) s"

native_test_ok=0 native_release_ok=0 windows32_ok=0 windows64_ok=0
build "native test" build/native-test -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON && native_test_ok=1
build "native release" build/native-release -DCMAKE_BUILD_TYPE=Release && native_release_ok=1
# The Windows saver for 32- and 64-bit Windows; their screens are compared with
# the native release tree's velmora-render.
for bits in 32 64; do
  dir=build/windows toolchain=i686
  ((bits == 64)) && dir=build/windows64 toolchain=x86_64
  build "Windows $bits-bit" "$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$toolchain-w64-mingw32.cmake" \
    -DVELMORA_NATIVE_BUILD="$root/build/native-release" && eval "windows${bits}_ok=1"
done

((native_test_ok)) && run_ctest "native (sanitizers)" build/native-test
((native_release_ok)) && run_ctest "native release" build/native-release -LE web
# The Windows trees' tests under Wine, each tree under the loader of its word size
# (tests/windows/wine.sh): the 64-bit tree on every kernel, the 32-bit tree where
# the kernel runs 32-bit x86 programs (one booted with ia32_emulation=off runs
# none, and there only the check that reads its programs without running them).
if ((windows32_ok || windows64_ok)); then
  say "starting Xvfb for the Windows tests"
  start_xvfb 1024x768x24
fi
((windows64_ok)) && run_ctest "Windows 64-bit (64-bit Wine)" build/windows64
if ((windows32_ok)) && wine_runs_32_bit; then
  run_ctest "Windows 32-bit (Wine)" build/windows
elif ((windows32_ok)); then
  say "this kernel runs no 32-bit x86 programs: the 32-bit Windows tree's programs are only read, the 64-bit tree's run"
  run_ctest "Windows 32-bit (programs read, not run)" build/windows -R windows_static_imports
fi

# ---- ARM: the Linux programs cross-built for arm64 and armhf (64- and 32-bit
# Raspberry Pi OS, Debian arm64 and armhf) in build/arm64 and build/armhf, run under
# the user-mode emulator: the unit and renderer tests, and the checks labelled with
# the architecture that compare their frames, screens and packages with the native
# release tree's.
for cross in arm64:aarch64-linux-gnu armhf:arm-linux-gnueabihf; do
  build "${cross%%:*}" "build/${cross%%:*}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-${cross#*:}.cmake" \
    -DVELMORA_NATIVE_BUILD="$root/build/native-release" &&
    run_ctest "${cross%%:*} (qemu)" "build/${cross%%:*}"
done

# ---- Web page: velmora.html built with Emscripten in build/web, then its tests in
# Chromium, Firefox and WebKitGTK (label web of the native release tree, which holds
# velmora-render).
say "building the web page in build/web"
step_started=$SECONDS
web_generator=()
[[ -f build/web/CMakeCache.txt ]] || web_generator=(-G Ninja)
if emcmake cmake -S . -B build/web "${web_generator[@]}" && cmake --build build/web -j "$jobs"; then
  echo "built build/web/velmora.html ($(stat -c %s build/web/velmora.html) bytes) in $((SECONDS - step_started)) s"
  ((native_release_ok)) && run_ctest "web page (Chromium, Firefox, WebKitGTK)" build/native-release -L web
else
  problems+=("the web page build")
  failed=$((failed + 1))
fi

# ---- Fuzzing: the settings loader and the Linux programs' command lines under
# libFuzzer (clang), each for a bounded time. Only the fuzz targets are built in
# this tree; run them longer by hand as the README shows.
say "building the fuzz targets in build/fuzz"
step_started=$SECONDS
if cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVELMORA_FUZZ=ON &&
  cmake --build build/fuzz --target settings_load_fuzz command_line_fuzz command_line_seeds -j "$jobs"; then
  echo "built the fuzz targets in $((SECONDS - step_started)) s"
  run_ctest "fuzzing (libFuzzer)" build/fuzz -L fuzz -V
else
  problems+=("the fuzz build")
  failed=$((failed + 1))
fi
completed=1
