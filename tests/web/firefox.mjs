// Headless Firefox driven through WebDriver BiDi on its WebSocket (node's own,
// behind --experimental-websocket in node 20): no npm package. One tab per browser.
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { asJson, keyPress, mouseMove, pollUntil, start } from './browser.mjs';

export async function open() {
  const profile = mkdtempSync(join(tmpdir(), 'velmora-firefox-'));
  // No updates, telemetry or other traffic of its own, and pages from file:// as in Chromium.
  writeFileSync(join(profile, 'user.js'), ['app.update.enabled', 'datareporting.policy.dataSubmissionEnabled',
    'toolkit.telemetry.enabled', 'browser.safebrowsing.malware.enabled', 'browser.safebrowsing.phishing.enabled',
    'network.captive-portal-service.enabled', 'network.connectivity-service.enabled']
    .map((name) => `user_pref("${name}", false);\n`).join(''));
  const firefox = start(process.env.FIREFOX || 'firefox-esr',
    ['--headless', '--no-remote', '--profile', profile, '--remote-debugging-port=0', 'about:blank'],
    { env: { ...process.env, MOZ_CRASHREPORTER_DISABLE: '1' } });
  const address = await pollUntil(60, () => firefox.stderr.match(/WebDriver BiDi listening on (ws:\/\/\S+)/)?.[1],
    'Firefox to offer WebDriver BiDi');
  const socket = new WebSocket(`${address}/session`);
  await new Promise((resolve, reject) => { socket.onopen = resolve; socket.onerror = reject; });
  const pending = new Map();
  const events = [];
  let next = 1;
  socket.onmessage = ({ data }) => {
    const message = JSON.parse(data);
    if (message.type === 'event') events.push(message);
    else if (pending.has(message.id)) {
      const { resolve, reject } = pending.get(message.id);
      pending.delete(message.id);
      message.type === 'success' ? resolve(message.result) : reject(new Error(`${message.error}: ${message.message}`));
    }
  };
  const send = (method, params = {}) => new Promise((resolve, reject) => {
    const id = next++;
    pending.set(id, { resolve, reject });
    socket.send(JSON.stringify({ id, method, params }));
  });
  await send('session.new', { capabilities: {} });
  await send('session.subscribe', { events: ['log.entryAdded', 'network.beforeRequestSent'] });
  const context = (await send('browsingContext.getTree', {})).contexts[0].context;
  const perform = (actions) => send('input.performActions', { context, actions });
  let pageUrl = '', background = null;
  return {
    ratioChanges: true,
    pid: firefox.child.pid,
    pageProcess: /-contentproc/,
    stderr: () => firefox.stderr,
    async navigate(url) {
      events.length = 0;
      pageUrl = url;
      await send('browsingContext.navigate', { context, url, wait: 'complete' });
    },
    setViewport: (width, height, devicePixelRatio) =>
      send('browsingContext.setViewport', { context, viewport: { width, height }, devicePixelRatio }),
    async evaluate(expression) {
      const answer = await send('script.evaluate', { expression: asJson(expression), target: { context }, awaitPromise: true });
      if (answer.type !== 'success') throw new Error(`${expression}: ${JSON.stringify(answer.exceptionDetails)}`);
      return answer.result.value === undefined ? undefined : JSON.parse(answer.result.value);
    },
    key: (value) => perform(keyPress(value)),
    mouseMove: (x, y) => perform(mouseMove(x, y)),
    // A headless window cannot be minimised: another tab in front hides the page.
    async hide() {
      background = (await send('browsingContext.create', { type: 'tab' })).context;
    },
    async show() {
      await send('browsingContext.activate', { context });
      await send('browsingContext.close', { context: background });
    },
    requests: () => events.filter((e) => e.method === 'network.beforeRequestSent').map((e) => e.params.request.url)
      .filter((url) => url !== pageUrl && !url.startsWith('data:')),
    errors: () => events.filter((e) => e.method === 'log.entryAdded' && e.params.level === 'error'),
    scriptSeconds: async () => null,
    async close() {
      await Promise.race([send('browser.close').catch(() => {}), new Promise((resolve) => setTimeout(resolve, 5000))]);
      socket.close();
      await firefox.end();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
