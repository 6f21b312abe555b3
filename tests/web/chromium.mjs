// Headless Chromium driven through the DevTools protocol on a pipe (fds 3 and 4):
// no WebSocket, no npm package. One page per browser.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export async function open() {
  const profile = mkdtempSync(join(tmpdir(), 'velmora-web-'));
  const args = ['--headless', '--no-sandbox', '--disable-gpu', '--remote-debugging-pipe', `--user-data-dir=${profile}`,
    '--no-first-run', '--no-default-browser-check', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--disable-quic', '--disable-extensions', '--mute-audio', '--hide-scrollbars',
    '--allow-file-access-from-files', '--window-size=800,600', 'about:blank'];
  const child = spawn(process.env.CHROMIUM || 'chromium', args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  let stderr = '';
  child.stdio[2].on('data', (d) => { stderr = (stderr + d).slice(-4000); });
  const pending = new Map();
  const events = [];
  let next = 1, buffered = '';
  child.stdio[4].on('data', (chunk) => {
    const parts = (buffered + chunk).split('\0');
    buffered = parts.pop();
    for (const part of parts) {
      const message = JSON.parse(part);
      if (message.id && pending.has(message.id)) {
        const { resolve, reject } = pending.get(message.id);
        pending.delete(message.id);
        message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
      } else if (message.method) {
        events.push(message);
      }
    }
  });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    const id = next++;
    pending.set(id, { resolve, reject });
    child.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  });
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const page = (method, params) => send(method, params, sessionId);
  for (const domain of ['Page', 'Runtime', 'Network', 'Log', 'Performance']) await page(`${domain}.enable`);
  const windowState = async (windowState) => {
    const { windowId } = await send('Browser.getWindowForTarget', { targetId });
    await send('Browser.setWindowBounds', { windowId, bounds: { windowState } });
  };
  let pageUrl = '';
  return {
    ratioChanges: true,
    pid: child.pid,
    pageProcess: /--type=renderer/, // the processes that run pages (benchmarks read their time)
    stderr: () => stderr,
    async navigate(url) {
      events.length = 0;
      pageUrl = url;
      await page('Page.navigate', { url });
    },
    setViewport: (width, height, ratio) =>
      page('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: ratio, mobile: false }),
    async evaluate(expression) {
      const { result, exceptionDetails } = await page('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
      if (exceptionDetails) throw new Error(`${expression}: ${JSON.stringify(exceptionDetails)}`);
      return result.value;
    },
    key: (key) => page('Input.dispatchKeyEvent', { type: 'keyDown', key, text: key }),
    mouseMove: (x, y) => page('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y }),
    hide: () => windowState('minimized'),
    show: () => windowState('normal'),
    requests: () => events.filter((e) => e.method === 'Network.requestWillBeSent').map((e) => e.params.request.url)
      .filter((url) => url !== pageUrl && !url.startsWith('data:')),
    errors: () => events.filter((e) => e.method === 'Runtime.exceptionThrown' ||
      (e.method === 'Log.entryAdded' && e.params.entry.level === 'error')),
    async scriptSeconds() {
      return (await page('Performance.getMetrics')).metrics.find((m) => m.name === 'ScriptDuration').value;
    },
    async close() {
      send('Browser.close').catch(() => {});
      const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
      await exited;
      clearTimeout(timer);
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
