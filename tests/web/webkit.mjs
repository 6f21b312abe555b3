// WebKitGTK's MiniBrowser on a private Xvfb screen, driven through WebKitWebDriver
// (W3C WebDriver over HTTP on this machine). It has no headless mode; the pixel
// ratio is GDK_SCALE's, fixed for a browser's life, so a new ratio starts it again.
// It tells neither the requests nor the console (the test keeps those itself).
import { createServer } from 'node:net';
import { asJson, keyPress, mouseMove, pollUntil, start } from './browser.mjs';

const miniBrowser = process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

async function freePort() {
  const server = createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// Xvfb on a free display, large enough for 800 x 600 CSS pixels at ratio 2.
async function startXvfb() {
  const xvfb = start('Xvfb', ['-displayfd', '2', '-screen', '0', '2048x1536x24', '-nolisten', 'tcp', '-noreset']);
  const display = await pollUntil(30, () => xvfb.stderr.match(/^(\d+)\n/m)?.[1], 'Xvfb to start');
  return { xvfb, display: `:${display}` };
}

async function startBrowser(display, ratio) {
  const port = await freePort();
  const driver = start('WebKitWebDriver', [`--port=${port}`],
    { env: { ...process.env, DISPLAY: display, GDK_SCALE: String(ratio), GDK_BACKEND: 'x11' } });
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body) => {
    const answer = await fetch(base + path, { method, body: body && JSON.stringify(body),
      headers: body ? { 'Content-Type': 'application/json' } : {} });
    const { value } = await answer.json();
    if (!answer.ok) throw new Error(`${method} ${path}: ${value.error}: ${value.message}`);
    return value;
  };
  await pollUntil(30, () => fetch(`${base}/status`).then((a) => a.ok, () => false), 'WebKitWebDriver to answer');
  const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
    'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation', '--full-screen'] } } } });
  const session = (method, path = '', body) => call(method, `/session/${sessionId}${path}`, body);
  return { driver, ratio, session };
}

export async function open() {
  const { xvfb, display } = await startXvfb();
  let browser = await startBrowser(display, 1);
  let size = null;
  const stop = async () => {
    await Promise.race([browser.session('DELETE').catch(() => {}), new Promise((resolve) => setTimeout(resolve, 5000))]);
    await browser.driver.end();
  };
  const perform = (actions) => browser.session('POST', '/actions', { actions });
  return {
    ratioChanges: false,
    get pid() { return browser.driver.child.pid; },
    pageProcess: /WebKitWebProcess/,
    stderr: () => browser.driver.stderr + xvfb.stderr,
    navigate: (url) => browser.session('POST', '/url', { url }),
    async setViewport(width, height, ratio) {
      if (ratio !== browser.ratio) {
        await stop();
        browser = await startBrowser(display, ratio);
      }
      size = { x: 0, y: 0, width, height };
      await browser.session('POST', '/window/rect', size);
    },
    async evaluate(expression) {
      const script = `const done = arguments[0];
        ${asJson(expression)}.then(done, (error) => done(JSON.stringify({ velmoraError: String(error) })));`;
      const value = await browser.session('POST', '/execute/async', { script, args: [] });
      const result = value === undefined ? undefined : JSON.parse(value);
      if (result?.velmoraError) throw new Error(`${expression}: ${result.velmoraError}`);
      return result;
    },
    key: (value) => perform(keyPress(value)),
    mouseMove: (x, y) => perform(mouseMove(x, y)),
    hide: () => browser.session('POST', '/window/minimize', {}),
    show: () => browser.session('POST', '/window/rect', size),
    requests: () => null,
    errors: () => null,
    scriptSeconds: async () => null,
    async close() {
      await stop();
      await xvfb.end();
    },
  };
}
