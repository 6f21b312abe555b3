// End-to-end tests of velmora.html in Chromium, Firefox and WebKitGTK:
//   node web_test.mjs chromium|firefox|webkit pixels|settings|quiet PAGE VELMORA_RENDER
// pixels: the canvas equals velmora-render's last frame, at pixel ratios 1 and 2 and
// across a resize, loaded from file://; settings: bad values and the panel; quiet:
// served over HTTP, the page asks for nothing more and does nothing while hidden.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { openBrowser, pollUntil } from './browser.mjs';

const [engine, testCase, pagePath, render] = process.argv.slice(2);
if (!existsSync(pagePath)) {
  console.log(`SKIP: no page at ${pagePath}: build it with emcmake cmake -S . -B build/web && cmake --build build/web`);
  process.exit(77);
}
const pageUrl = pathToFileURL(pagePath).href;
const clock = 1700000000;
const failures = [];
const check = (ok, what) => {
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
  if (!ok) failures.push(what);
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function load(browser, url, width, height, ratio = 1) {
  await browser.setViewport(width, height, ratio);
  await browser.navigate(url);
  await pollUntil(30, () => browser.evaluate('!!window.velmora && velmora.layouts > 0'), `${url.slice(0, 200)} lays out`);
}

// Serves the page over HTTP on this machine while body(address) runs, with a script
// first in it that keeps what the page writes to the console and its errors (in
// velmoraConsole), where no engine-specific way is needed to read them. asked: the
// paths the server was asked for.
async function serve(body) {
  const recorder = `<script>window.velmoraConsole = [];
for (const level of ['log', 'info', 'warn', 'error']) {
  const write = console[level];
  console[level] = (...args) => { velmoraConsole.push(level + ' ' + args.join(' ')); write.apply(console, args); };
}
addEventListener('error', (event) => velmoraConsole.push('error ' + event.message));</script>`;
  const page = readFileSync(pagePath, 'utf8').replace(/<head>/i, (head) => head + recorder);
  const asked = [];
  const server = createServer({ maxHeaderSize: 65536 }, (request, response) => {
    asked.push(request.url);
    if (request.url.startsWith('/velmora.html')) response.setHeader('Content-Type', 'text/html').end(page);
    else response.writeHead(404).end();
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    await body(`http://127.0.0.1:${server.address().port}/velmora.html`, asked);
  } finally {
    server.close();
  }
}

const waitDone = (browser) => pollUntil(60, () => browser.evaluate('velmora.done'), 'the frame limit');

async function canvasPixels(browser) {
  const [width, height, base64] = await browser.evaluate(`(() => {
    const c = document.getElementById('screen');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < d.length; i += 0x8000) s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
    return [c.width, c.height, btoa(s)];
  })()`);
  return { width, height, rgba: Buffer.from(base64, 'base64') };
}

// velmora-render's frame number frames - 1 (the figure area's words) for a screen of width x height.
function renderedFrame(width, height, frames, options = {}) {
  const dir = mkdtempSync(join(tmpdir(), 'velmora-render-'));
  const args = ['--mode', `${width}x${height}x32`, '--clock', clock, '--fps', options.fps ?? 60, '--frames', frames,
    '--first-frame', frames - 1, '--raw', dir];
  for (const [name, value] of Object.entries(options)) if (name !== 'fps') args.push(`--${name}`, value);
  const run = spawnSync(render, args.map(String), { encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`velmora-render ${args.join(' ')}: ${run.stderr}`);
  const words = readFileSync(join(dir, `frame-${String(frames - 1).padStart(6, '0')}.raw`));
  rmSync(dir, { recursive: true });
  return words;
}

// The canvas against the rendered frame: the figure area Zoom percent of the screen,
// centred, everything else opaque black.
function compare(canvas, words, zoom, what) {
  const { width, height, rgba } = canvas;
  const areaWidth = Math.trunc((zoom * width) / 100), areaHeight = Math.trunc((zoom * height) / 100);
  const left = Math.trunc((width - areaWidth) / 2), top = Math.trunc((height - areaHeight) / 2);
  let wrong = 0, lit = 0, first = '';
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const inside = x >= left && x < left + areaWidth && y >= top && y < top + areaHeight;
      const want = inside ? words.readUInt32LE(((y - top) * areaWidth + x - left) * 4) : 0;
      const i = (y * width + x) * 4;
      const got = (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2] | (rgba[i + 3] === 255 ? 0 : 1 << 24);
      if (want) ++lit;
      if (got !== want && wrong++ === 0) first = ` (first at ${x},${y}: ${got.toString(16)} for ${want.toString(16)})`;
    }
  }
  check(wrong === 0 && lit > 1000, `${what}: ${wrong} of ${width * height} pixels differ, ${lit} lit${first}`);
}

// No request beyond the page, where the engine tells.
function noRequests(browser, what) {
  const asked = browser.requests();
  if (asked) check(asked.length === 0, `${what}, no request beyond the page: ${asked.map((u) => u.slice(0, 80))}`);
}

const cases = {
  async pixels(browser) {
    // (WebKitGTK's window is at least 334 CSS pixels wide.)
    const table = [ // css width, height, ratio, frames, settings
      [640, 480, 1, 45, {}],
      [400, 300, 2, 30, { quality: 120, color: 1, zoom: 60 }],
      [335, 250, 2, 20, { lighting: 0, brightness: 130, zoom: 100, 'no-repeat': 0 }],
    ];
    for (const [width, height, ratio, frames, settings] of table) {
      const query = new URLSearchParams({ clock, frames, ...settings });
      const url = `${pageUrl}?${query}`;
      await load(browser, url, width, height, ratio);
      await waitDone(browser);
      const canvas = await canvasPixels(browser);
      check(canvas.width === width * ratio && canvas.height === height * ratio,
        `ratio ${ratio}: canvas ${canvas.width} x ${canvas.height} for ${width} x ${height} CSS pixels`);
      compare(canvas, renderedFrame(width * ratio, height * ratio, frames, settings), settings.zoom ?? 80, `?${query}`);
      noRequests(browser, 'from file://');
    }
    // A resize in the middle (a new ratio too where the engine changes it): the run
    // goes on at the new size.
    const frames = 120;
    await load(browser, `${pageUrl}?clock=${clock}&frames=${frames}&color=1`, 500, 400, browser.ratioChanges ? 1 : 2);
    await pollUntil(30, () => browser.evaluate('velmora.frames >= 10'), 'ten frames');
    // To 720 x 360 device pixels, at a ratio of 2.
    await browser.setViewport(360, 180, 2);
    const [layouts, framesThen] = await pollUntil(10, () => browser.evaluate('velmora.layouts > 1 && [velmora.layouts, velmora.frames]'), 'a new layout');
    await waitDone(browser);
    // Firefox may apply the new size and the new ratio one after the other: two new layouts.
    const layoutsNow = await browser.evaluate('velmora.layouts');
    check(layouts >= 2 && layoutsNow <= 3 && framesThen < frames - 1,
      `resized after frame ${framesThen} of ${frames} (${layoutsNow} layouts)`);
    compare(await canvasPixels(browser), renderedFrame(720, 360, frames, { color: 1 }), 80, 'after a resize to 360 x 180 at ratio 2');
  },

  settings: (browser) => serve(async (pageUrl) => {
    const bad = { quality: 'abc', zoom: '150', color: '2', fps: '0', clock: '-1', unknown: '1', frames: '1e3' };
    const head = `${pageUrl}?clock=${clock}&frames=25&${new URLSearchParams(bad)}`;
    const url = `${head}&${'x'.repeat(10000 - head.length - 3)}=1`; // an address of 10,000 characters
    await load(browser, url, 360, 240);
    await waitDone(browser);
    const lines = await browser.evaluate('velmoraConsole');
    check(lines.length === Object.keys(bad).length + 1 && lines.every((l) => l.startsWith('warn velmora: ') && l.length < 200),
      `one console line per bad or held value:\n  ${lines.join('\n  ')}`);
    const errors = browser.errors() ?? [];
    check(errors.length === 0, `no error: ${JSON.stringify(errors).slice(0, 300)}`);
    // zoom=150 is taken as the command line takes it; the run draws it as 100 and says so.
    check(lines.includes('warn velmora: zoom 150 is drawn as 100 (a run takes 10 to 100)'), 'a note for the zoom the run holds');
    compare(await canvasPixels(browser), renderedFrame(360, 240, 25, { zoom: 150 }), 100,
      'bad values leave the defaults; the zoom is velmora-render\'s --zoom 150');

    // The panel: #settings opens it, an edit restarts the run and goes into the address, s closes it.
    await load(browser, `${pageUrl}?quality=50&clock=${clock}&frames=20#settings`, 360, 240);
    const state = `[document.getElementById('settings').hidden, location.href, document.querySelector('.address').value,
      document.body.classList.contains('still')]`;
    check((await browser.evaluate(state))[0] === false, 'the panel opens with #settings');
    const layouts = await browser.evaluate('velmora.layouts');
    await browser.evaluate(`(() => { const input = document.getElementById('setting-zoom');
      input.value = '60'; input.dispatchEvent(new Event('change')); })()`);
    const [, address, shown] = await browser.evaluate(state);
    const wanted = `${pageUrl}?quality=50&zoom=60&clock=${clock}&frames=20`;
    check(address === `${wanted}#settings` && shown === wanted, `the address follows the panel: ${address}, shows ${shown}`);
    check(await browser.evaluate(`velmora.layouts === ${layouts + 1}`), 'the run starts again with the new value');
    await waitDone(browser);
    compare(await canvasPixels(browser), renderedFrame(360, 240, 20, { quality: 50, zoom: 60 }), 60, 'after the edit');
    await browser.key('s');
    const [hidden, after] = await browser.evaluate(state);
    check(hidden && after === wanted, `s closes the panel and the address keeps the settings: ${after}`);
    await browser.mouseMove(100, 100);
    check(!(await browser.evaluate(state))[3], 'a moving mouse shows the cursor');
    await pollUntil(5, async () => (await browser.evaluate(state))[3], 'no cursor after a second of stillness');
  }),

  quiet: (browser) => serve(async (pageUrl, asked) => {
    await load(browser, `${pageUrl}?clock=${clock}`, 480, 360);
    await pollUntil(30, () => browser.evaluate('velmora.frames >= 20'), 'twenty frames');
    await sleep(500); // room for a late request, e.g. an icon
    check(asked.length === 1, `the server was asked for ${asked.join(', ')}`);
    noRequests(browser, 'over HTTP');
    const stored = await browser.evaluate('[document.cookie, localStorage.length, sessionStorage.length].join()');
    check(stored === ',0,0', `no cookie, nothing stored: ${stored}`);

    // Hidden (its window minimised, or another tab in front), the page draws nothing
    // and, where the engine tells, runs no script.
    await browser.hide();
    await pollUntil(10, () => browser.evaluate('document.hidden'), 'the page hidden');
    const frames = await browser.evaluate('velmora.frames');
    const before = await browser.scriptSeconds();
    await sleep(2000);
    const spent = before === null ? 0 : (await browser.scriptSeconds()) - before;
    check((await browser.evaluate('velmora.frames')) === frames && spent < 0.002,
      `hidden for 2 s: ${(await browser.evaluate('velmora.frames')) - frames} frames, ${(spent * 1000).toFixed(2)} ms of script`);
    await browser.show();
    await pollUntil(10, async () => (await browser.evaluate('velmora.frames')) > frames + 10, 'frames again once shown');
    check(true, 'shown again, it draws again');
  }),
};

if (!cases[testCase]) throw new Error(`unknown case ${testCase}`);
const browser = await openBrowser(engine);
try {
  await cases[testCase](browser);
} catch (error) {
  check(false, `${error.stack}\n${browser.stderr().slice(-1500)}`);
} finally {
  await browser.close();
}
console.log(failures.length ? `web ${testCase}: ${failures.length} failed` : `web ${testCase}: passed`);
process.exit(failures.length ? 1 : 0);
