#!/usr/bin/env bash
# One frame of a run in WebAssembly in Chromium, Firefox and WebKitGTK beside the
# native frame of core_bench (BM_Frame), same Quality, size and processor,
# alternately twice (bench/web_frame_bench.mjs); prints the processor, the page's
# size, the browsers, and per frame the native wall and processor times and each
# engine's ratios to them.
#   bench/web_frame_bench.sh [PASSES [ENGINE,...]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
passes=${1:-2}
engines=${2:-chromium,firefox,webkit}

[[ -f build/web/CMakeCache.txt ]] || emcmake cmake -S . -B build/web -G Ninja >/dev/null
cmake --build build/web -j2 --target velmora_page frame_bench >/dev/null
[[ -f build/native-release/CMakeCache.txt ]] ||
  cmake -S . -B build/native-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native-release -j2 --target core_bench >/dev/null

# Caches as the C library reports them (lscpu shows none on some virtual machines).
echo "processor: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; caches" \
  "$(getconf -a | awk '/^LEVEL[1-3]_(D|)CACHE_SIZE/ && $2 { printf "%s%s %d KiB", n++ ? ", " : "", $1, $2 / 1024 }')"
echo "page: build/web/velmora.html, $(stat -c %s build/web/velmora.html) bytes"
echo "browsers: $(chromium --version 2>/dev/null | head -n 1); $(firefox-esr --version 2>/dev/null | head -n 1);" \
  "WebKitGTK $(dpkg-query -W -f='${Version}' libwebkit2gtk-4.1-0 2>/dev/null)"

node --experimental-websocket bench/web_frame_bench.mjs "$passes" build/web/frame_bench.html "$engines"
