#!/usr/bin/env bash
# One frame of a run in WebAssembly under headless Chromium beside the native
# frame of core_bench (BM_Frame), same Quality, size and processor, alternately
# twice; prints the fastest of each, their ratio, the processor and the page's size.
#   bench/web_frame_bench.sh [PASSES]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
passes=${1:-2}

[[ -f build/web/CMakeCache.txt ]] || emcmake cmake -S . -B build/web -G Ninja >/dev/null
cmake --build build/web -j2 --target velmora_page frame_bench >/dev/null
[[ -f build/native-release/CMakeCache.txt ]] ||
  cmake -S . -B build/native-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native-release -j2 --target core_bench >/dev/null

# Caches as the C library reports them (lscpu shows none on some virtual machines).
echo "processor: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; caches" \
  "$(getconf -a | awk '/^LEVEL[1-3]_(D|)CACHE_SIZE/ && $2 { printf "%s%s %d KiB", n++ ? ", " : "", $1, $2 / 1024 }')"
echo "page: build/web/velmora.html, $(stat -c %s build/web/velmora.html) bytes"
echo "chromium: $(chromium --version 2>/dev/null | head -n 1)"

BENCH_PASSES=$passes node --input-type=module - <<'EOF'
import { execFileSync } from 'node:child_process';
import { pathToFileURL } from 'node:url';
const { openBrowser, pollUntil } = await import(pathToFileURL('tests/web/browser.mjs').href);
const fastest = { native: {}, wasm: {} };
const note = (kind, name, ns) => { fastest[kind][name] = Math.min(fastest[kind][name] ?? Infinity, ns); };

for (let pass = 0; pass < Number(process.env.BENCH_PASSES); ++pass) {
  const report = JSON.parse(execFileSync('build/native-release/bench/core_bench', [
    '--benchmark_filter=^BM_Frame/(40|300)/(320/240|1024/768)/32$', '--benchmark_min_time=0.1',
    '--benchmark_repetitions=20', '--benchmark_enable_random_interleaving=true', '--benchmark_format=json'], { encoding: 'utf8', maxBuffer: 1 << 24 }));
  for (const b of report.benchmarks) if (b.run_type === 'iteration') note('native', b.run_name.slice(9), b.real_time);

  const browser = await openBrowser();
  try {
    await browser.page('Page.navigate', { url: pathToFileURL('build/web/frame_bench.html').href });
    const lines = () => browser.events.filter((e) => e.method === 'Runtime.consoleAPICalled')
      .map((e) => String(e.params.args[0].value).trim());
    await pollUntil(600, () => lines().includes('done'), 'the WebAssembly frames');
    for (const line of lines()) {
      const [word, name, ns] = line.split(' ');
      if (word === 'frame') note('wasm', name, Number(ns));
    }
  } finally {
    await browser.close();
  }
}

console.log('\nfastest ns per frame (Quality/width/height/bits)   native   WebAssembly   ratio');
for (const name of Object.keys(fastest.native)) {
  const native = fastest.native[name], wasm = fastest.wasm[name];
  console.log(`  ${name.padEnd(47)} ${native.toFixed(0).padStart(7)} ${wasm.toFixed(0).padStart(13)}   ${(wasm / native).toFixed(2)}x`);
}
EOF
