// What the web tests need of a browser, the same in every engine (chromium.mjs,
// firefox.mjs, webkit.mjs); each engine adds only how it starts and is driven:
//   navigate(url), setViewport(width, height, ratio), evaluate(expression) (its
//   value, through JSON), key(k), mouseMove(x, y), hide(), show(),
//   requests() the addresses asked for since the last navigation beyond data: ones
//   (null where the engine cannot tell), errors() the page's errors the engine
//   logged (null likewise), scriptSeconds() (null likewise), close();
//   ratioChanges: whether the pixel ratio changes on a page that runs; pid: the
//   process the engine started first, below which pageProcess (a pattern of their
//   command lines) finds the processes that run pages.
import { spawn } from 'node:child_process';

export async function openBrowser(engine) {
  const { open } = await import(`./${engine}.mjs`);
  return open();
}

// Polls check() every 50 ms until it gives a true value, for at most seconds.
export async function pollUntil(seconds, check, what) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out after ${seconds} s: ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// Starts a program whose standard error the test keeps (the last 4000 characters);
// end() asks it to end, then forces it.
export function start(program, args, options = {}) {
  const child = spawn(program, args, { stdio: ['ignore', 'ignore', 'pipe'], ...options });
  const started = { child, stderr: '' };
  child.stderr.on('data', (d) => { started.stderr = (started.stderr + d).slice(-4000); });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  started.end = async () => {
    if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM');
    const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(timer);
  };
  return started;
}

// An expression's value through JSON, for engines that hand back typed values.
export const asJson = (expression) => `(async () => JSON.stringify(await (${expression})))()`;

// WebDriver's input actions (classic and BiDi alike): a key pressed and let go, the mouse moved.
export const keyPress = (value) => [{ type: 'key', id: 'keyboard', actions: [{ type: 'keyDown', value }, { type: 'keyUp', value }] }];
export const mouseMove = (x, y) =>
  [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: [{ type: 'pointerMove', x, y, duration: 0 }] }];
