// The run's frame natively (core_bench's BM_Frame) and in WebAssembly in each
// browser engine (frame_bench.html), PASSES times alternately, per frame: the
// fastest wall time, and the processor time (natively core_bench's; in a browser
// that of the main threads of the processes that run pages, from /proc, since on a
// machine shared with other work the wall time tells little). Run by
// bench/web_frame_bench.sh after building both:
//   node --experimental-websocket bench/web_frame_bench.mjs [PASSES [FRAME_BENCH_HTML [ENGINE,...]]]
import { execFileSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { openBrowser, pollUntil } from '../tests/web/browser.mjs';

const passes = Number(process.argv[2] ?? 2);
const benchPage = process.argv[3] ?? 'build/web/frame_bench.html'; // another build's, to weigh the two
const engines = (process.argv[4] ?? 'chromium,firefox,webkit').split(',');
const cases = [[40, 320, 240], [40, 1024, 768], [300, 320, 240], [300, 1024, 768]];
const tickNs = 1e9 / Number(execFileSync('getconf', ['CLK_TCK'], { encoding: 'utf8' }));
const results = {}; // name: { native, ENGINE... } of { wall, cpu } ns per frame, the least seen
const note = (kind, name, wall, cpu) => {
  const r = (results[name] ??= {});
  r[kind] = { wall: Math.min(r[kind]?.wall ?? Infinity, wall), cpu: Math.min(r[kind]?.cpu ?? Infinity, cpu) };
};

// Processor time in ns of the main threads of the processes below pid whose command
// lines match pattern.
function pageTime(pid, pattern) {
  const stat = (path) => readFileSync(path, 'utf8').split(') ')[1].split(' ');
  const children = new Map();
  for (const entry of readdirSync('/proc').filter((e) => /^\d+$/.test(e))) {
    try {
      const parent = stat(`/proc/${entry}/stat`)[1];
      children.set(parent, [...(children.get(parent) ?? []), entry]);
    } catch { /* ended meanwhile */ }
  }
  let ticks = 0;
  for (const queue = [String(pid)]; queue.length; ) {
    const process = queue.pop();
    queue.push(...(children.get(process) ?? []));
    try { // a process's main thread is the one numbered as it
      if (!pattern.test(readFileSync(`/proc/${process}/cmdline`, 'utf8'))) continue;
      const fields = stat(`/proc/${process}/task/${process}/stat`);
      ticks += Number(fields[11]) + Number(fields[12]); // utime, stime
    } catch { /* ended meanwhile */ }
  }
  return ticks * tickNs;
}

for (let pass = 0; pass < passes; ++pass) {
  const report = JSON.parse(execFileSync('build/native-release/bench/core_bench', [
    '--benchmark_filter=^BM_Frame/(40|300)/(320/240|1024/768)/32$', '--benchmark_min_time=0.2',
    '--benchmark_repetitions=10', '--benchmark_enable_random_interleaving=true', '--benchmark_format=json'],
  { encoding: 'utf8', maxBuffer: 1 << 24 }));
  const native = {};
  for (const b of report.benchmarks.filter((row) => row.run_type === 'iteration')) {
    const n = (native[b.run_name.slice('BM_Frame/'.length, -'/32'.length)] ??= { wall: Infinity, cpu: 0, count: 0 });
    n.wall = Math.min(n.wall, b.real_time);
    n.cpu += b.cpu_time;
    n.count += 1;
  }
  for (const [name, n] of Object.entries(native)) note('native', name, n.wall, n.cpu / n.count);

  for (const engine of engines) await inBrowser(engine);
}

async function inBrowser(engine) {
  const browser = await openBrowser(engine);
  try {
    await browser.navigate(pathToFileURL(benchPage).href);
    await pollUntil(60, () => browser.evaluate("typeof Module === 'object' && !!Module.calledRun"), 'the module');
    const frames = (q, w, h, n) => browser.evaluate(`Module._velmora_bench_frames(${q}, ${w}, ${h}, 32, ${n})`);
    // A tenth of a second a call; the engine optimises while every case runs a while.
    const counts = [];
    for (const [quality, width, height] of cases) {
      counts.push(Math.max(10, Math.round(100 / ((await frames(quality, width, height, 50)) / 50))));
      for (let i = 0; i < 5; ++i) await frames(quality, width, height, counts.at(-1));
    }
    for (const [index, [quality, width, height]] of cases.entries()) {
      let wall = Infinity;
      const before = pageTime(browser.pid, browser.pageProcess);
      for (let i = 0; i < 20; ++i) wall = Math.min(wall, await frames(quality, width, height, counts[index]));
      const cpu = (pageTime(browser.pid, browser.pageProcess) - before) / (20 * counts[index]);
      note(engine, `${quality}/${width}/${height}`, (wall * 1e6) / counts[index], cpu);
    }
  } finally {
    await browser.close();
  }
}

const f = (v) => v.toFixed(0).padStart(8);
const ratio = (a, b) => `${(a / b).toFixed(2)}x`.padStart(6);
console.log('\nns per frame, 32 bits; WebAssembly against native as ratios of wall and processor time');
console.log(`  Quality/size            native: wall      cpu${engines.map((e) => `  ${e.padStart(9)}: wall    cpu`).join('')}`);
for (const [name, r] of Object.entries(results)) {
  console.log(`  ${name.padEnd(14)}              ${f(r.native.wall)} ${f(r.native.cpu)}` +
    engines.map((e) => `             ${ratio(r[e].wall, r.native.wall)} ${ratio(r[e].cpu, r.native.cpu)}`).join(''));
}
