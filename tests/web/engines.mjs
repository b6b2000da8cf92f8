// The three browser engines that the browser test and the benchmark drive,
// each as Debian installs it:
// - chromium: headless, through puppeteer-core (the DevTools protocol);
// - firefox: Firefox ESR, headless, through puppeteer-core (WebDriver BiDi);
// - webkit: WebKitGTK's MiniBrowser in a virtual X server of its own (it
//   needs a display), through WebKitWebDriver's HTTP protocol, spoken by the
//   small client below.
// launchEngine gives all three the same face: `newPage()` returns, for
// webkit, a page with the part of puppeteer's Page that the test and the
// bench use (goto, reload, evaluate, keyboard, mouse, click,
// on('pageerror')); `pid` is the root of the engine's own processes, for
// processTreeCpu; `pastePlain` pastes text the way the engine lets a test do
// it.
//
// Also here: the small web server both use, on 127.0.0.1 and a free port,
// and the CPU time of a process tree.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const kEngineNames = ['chromium', 'firefox', 'webkit'];

const kChromium = '/usr/bin/chromium';
const kFirefox = '/usr/bin/firefox-esr';
const kWebDriver = '/usr/bin/WebKitWebDriver';
const kMiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
export const kChromeFlags = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];
// MiniBrowser's window on a screen larger than it, so that the page is as
// wide as a desktop's (the canvas at one pixel per pixel).
const kXvfbScreen = '1600x1200x24';
const kWebKitWindow = { width: 1280, height: 900 };
const kStartLimitMs = 30000; // a driver or X server that does not start
const kPollMs = 50;
const kContentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json',
  '.png': 'image/png',
};

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// --- the server ---

// Serves the folder (a folder's index.html for a path ending in a slash), and `extra` (a map of path to { type, body }) from
// memory. Resolves to the listening server.
export function serve(root, extra = {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (Object.hasOwn(extra, name)) {
      response.writeHead(200, { 'Content-Type': extra[name].type, 'Cache-Control': 'no-store' });
      response.end(extra[name].body);
      return;
    }
    const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
    const type = kContentTypes[path.extname(file)];
    if (!file.startsWith(path.resolve(root) + path.sep) || !type || !fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// --- CPU time of a process tree ---

const kTicksPerSecond = Number(execFileSync('getconf', ['CLK_TCK']).toString());

// Every process as { pid, ppid, ticks }: utime + stime of all its threads,
// and cutime + cstime of the children it has reaped (a process of the tree
// that ended in between is counted in its parent's figure then).
function readProcesses() {
  const processes = [];
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
    } catch {
      continue; // gone meanwhile
    }
    // The fields after the command's name, which may hold spaces and parentheses.
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    const ticks = Number(fields[11]) + Number(fields[12]) + Number(fields[13]) + Number(fields[14]);
    const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
    processes.push({ pid: Number(entry), ppid: Number(fields[1]), ticks, name });
  }
  return processes;
}

function treeOf(rootPid, processes) {
  const tree = [];
  const wanted = new Set([rootPid]);
  // Parents come before their children often, not always: walk until no more join.
  for (let grown = true; grown; ) {
    grown = false;
    for (const p of processes) {
      if (!wanted.has(p.pid) && wanted.has(p.ppid)) {
        wanted.add(p.pid);
        grown = true;
      }
    }
  }
  for (const p of processes) if (wanted.has(p.pid)) tree.push(p);
  return tree;
}

// Adds the nanoseconds on a processor of each living thread of the process
// to `threads`, by "pid/tid".
function addThreads(pid, threads) {
  let tasks = [];
  try {
    tasks = fs.readdirSync(`/proc/${pid}/task`);
  } catch {
    return; // gone meanwhile
  }
  for (const task of tasks) {
    try {
      const ns = Number(fs.readFileSync(`/proc/${pid}/task/${task}/schedstat`, 'utf8').split(' ')[0]);
      threads.set(`${pid}/${task}`, ns);
    } catch {
      // the thread ended meanwhile
    }
  }
}

// The CPU time so far of a process and all its descendants: `seconds` from
// the ticks, and each living thread's nanoseconds, for cpuBetween.
export function processTreeCpu(rootPid) {
  const tree = treeOf(rootPid, readProcesses());
  let ticks = 0;
  const threads = new Map();
  for (const p of tree) {
    ticks += p.ticks;
    addThreads(p.pid, threads);
  }
  return { seconds: ticks / kTicksPerSecond, threads, processes: tree.length };
}

// The CPU time between two looks at a tree (processTreeCpu): `seconds` from
// the ticks (complete, in steps of 10 ms), `ns` from the threads living at
// the second look (exact, but blind to threads that ended in between).
export function cpuBetween(before, after) {
  let ns = 0;
  for (const [thread, now] of after.threads) ns += now - (before.threads.get(thread) || 0);
  return { seconds: after.seconds - before.seconds, ns };
}

// --- a virtual X server ---

// Xvfb on a display it picks itself (-displayfd). Resolves to { display, pid,
// stop }.
export function startXvfb() {
  const child = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', kXvfbScreen, '-nolisten', 'tcp'], {
    stdio: ['ignore', 'ignore', 'ignore', 'pipe'],
  });
  const stop = () => stopChild(child);
  return new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error('Xvfb did not start')), kStartLimitMs);
    child.stdio[3].on('data', (data) => {
      text += data;
      if (!text.includes('\n')) return;
      clearTimeout(timer);
      resolve({ display: `:${text.trim()}`, pid: child.pid, stop });
    });
    child.on('error', (error) => {
      clearTimeout(timer);
      reject(error);
    });
  });
}

// Ends a child this module started, and waits until it is gone.
function stopChild(child) {
  if (child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  return new Promise((resolve) => {
    child.once('exit', () => resolve());
    child.kill('SIGTERM');
  });
}

// --- WebKit through WebDriver's HTTP protocol ---

// WebDriver's code points for the keys that are not characters.
const kWebDriverKeys = {
  Backspace: '\uE003',
  Tab: '\uE004',
  Enter: '\uE007',
  Shift: '\uE008',
  Control: '\uE009',
  Escape: '\uE00C',
  End: '\uE010',
  Home: '\uE011',
  ArrowLeft: '\uE012',
  ArrowUp: '\uE013',
  ArrowRight: '\uE014',
  ArrowDown: '\uE015',
  Insert: '\uE016',
  Delete: '\uE017',
};

async function webDriver(driver, method, route, body) {
  const response = await fetch(`${driver.url}${route}`, {
    method,
    headers: { 'Content-Type': 'application/json; charset=utf-8' },
    body: body === undefined ? undefined : JSON.stringify(body),
    signal: AbortSignal.timeout(driver.limitMs),
  });
  const reply = await response.json();
  if (!response.ok) {
    throw new Error(`WebDriver ${method} ${route}: ${reply.value.error}: ${reply.value.message}`);
  }
  return reply.value;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.on('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// WebDriver has no events: the page's errors are kept in the page and handed
// over with the answer of every script. They are caught from the moment the
// page has loaded (goto and reload install the catcher).
const kCatchErrors = `
  if (!window.webDriverErrors) {
    window.webDriverErrors = [];
    window.addEventListener('error', function (e) { window.webDriverErrors.push(e.message); });
    window.addEventListener('unhandledrejection', function (e) {
      window.webDriverErrors.push(String(e.reason));
    });
  }`;

function webKitPage(driver, session) {
  const route = `/session/${session}`;
  const errorHandlers = [];
  const command = (method, to, body) => webDriver(driver, method, `${route}${to}`, body);
  const keys = (actions) =>
    command('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions }] });
  const keyValue = (key) => kWebDriverKeys[key] || key;

  async function evaluate(fn, ...args) {
    const script =
      `const value = (${fn}).apply(null, arguments);` +
      'return Promise.resolve(value).then(function (v) {' +
      '  return { value: v === undefined ? null : v, errors: (window.webDriverErrors || []).splice(0) };' +
      '});';
    const answer = await command('POST', '/execute/sync', { script, args });
    for (const message of answer.errors) for (const handler of errorHandlers) handler(new Error(message));
    return answer.value;
  }

  async function click(x, y) {
    const actions = [
      { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' },
      { type: 'pointerDown', button: 0 },
      { type: 'pointerUp', button: 0 },
    ];
    await command('POST', '/actions', {
      actions: [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions }],
    });
  }

  return {
    goto: async (url) => {
      await command('POST', '/url', { url });
      await command('POST', '/execute/sync', { script: kCatchErrors, args: [] });
    },
    reload: async () => {
      await command('POST', '/refresh', {});
      await command('POST', '/execute/sync', { script: kCatchErrors, args: [] });
    },
    evaluate,
    keyboard: {
      press: (key) =>
        keys([
          { type: 'keyDown', value: keyValue(key) },
          { type: 'keyUp', value: keyValue(key) },
        ]),
      down: (key) => keys([{ type: 'keyDown', value: keyValue(key) }]),
      up: (key) => keys([{ type: 'keyUp', value: keyValue(key) }]),
    },
    mouse: { click },
    // A click in the middle of the element.
    click: async (selector) => {
      const box = await evaluate((selector) => {
        const element = document.querySelector(selector);
        element.scrollIntoView({ block: 'center' });
        const r = element.getBoundingClientRect();
        return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
      }, selector);
      await click(box.x, box.y);
    },
    on: (event, handler) => {
      if (event === 'pageerror') errorHandlers.push(handler);
    },
    setDefaultTimeout: () => {},
    close: async () => {},
  };
}

// Fills the X clipboard of the display with the text; the owner (xclip)
// stays until it is replaced or the engine closes.
async function ownClipboard(engine, text) {
  if (engine.clipboardOwner) await stopChild(engine.clipboardOwner);
  const env = { ...process.env, DISPLAY: engine.display };
  const owner = spawn('xclip', ['-selection', 'clipboard', '-quiet'], {
    env,
    stdio: ['pipe', 'ignore', 'ignore'],
  });
  owner.stdin.end(text);
  engine.clipboardOwner = owner;
  // Ready once a reader gets the text back.
  const end = Date.now() + kStartLimitMs;
  for (;;) {
    let now = '';
    try {
      const read = ['-selection', 'clipboard', '-o'];
      now = execFileSync('xclip', read, { env, stdio: ['ignore', 'pipe', 'ignore'] }).toString();
    } catch {
      // no owner yet
    }
    if (now === text) return;
    if (Date.now() > end) throw new Error('xclip did not take the clipboard');
    await sleep(kPollMs);
  }
}

async function launchWebKit(limitMs) {
  const x = await startXvfb();
  const port = await freePort();
  const env = { ...process.env, DISPLAY: x.display };
  const child = spawn(kWebDriver, [`--port=${port}`], { env, stdio: 'ignore' });
  const driver = { url: `http://127.0.0.1:${port}`, limitMs: limitMs * 2 };
  const engine = { name: 'webkit', display: x.display, xvfbPid: x.pid, clipboardOwner: null };
  try {
    const end = Date.now() + kStartLimitMs;
    for (;;) {
      const ready = await webDriver(driver, 'GET', '/status').then((s) => s.ready, () => false);
      if (ready) break;
      if (Date.now() > end) throw new Error('WebKitWebDriver did not start');
      await sleep(kPollMs);
    }
    const options = { binary: kMiniBrowser, args: ['--automation'] };
    const created = await webDriver(driver, 'POST', '/session', {
      capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': options } },
    });
    const session = created.sessionId;
    const route = `/session/${session}`;
    await webDriver(driver, 'POST', `${route}/timeouts`, { script: limitMs * 2, pageLoad: limitMs * 2 });
    await webDriver(driver, 'POST', `${route}/window/rect`, kWebKitWindow);
    const browser = readProcesses().find((p) => p.ppid === child.pid && p.name === 'MiniBrowser');
    if (!browser) throw new Error('no MiniBrowser under WebKitWebDriver');
    const page = webKitPage(driver, session);
    return Object.assign(engine, {
      pid: browser.pid,
      browser: null,
      newPage: async () => page,
      pastePlain: async (page, text) => {
        await ownClipboard(engine, text);
        await pressWith(page, 'Control', 'v');
      },
      close: async () => {
        await webDriver(driver, 'DELETE', route).catch(() => {});
        await stopChild(child);
        if (engine.clipboardOwner) await stopChild(engine.clipboardOwner);
        await x.stop();
      },
    });
  } catch (error) {
    await stopChild(child);
    await x.stop();
    throw error;
  }
}

// --- puppeteer's engines ---

async function pressWith(page, modifier, key) {
  await page.keyboard.down(modifier);
  await page.keyboard.press(key);
  await page.keyboard.up(modifier);
}

// A paste event made by the page, at the focused element. Chromium keeps
// the data of such a ClipboardEvent; Firefox's constructor drops it.
export function pasteByEvent(page, text) {
  return page.evaluate((text) => {
    const data = new DataTransfer();
    data.setData('text/plain', text);
    const paste = new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true });
    document.activeElement.dispatchEvent(paste);
  }, text);
}

// In Firefox the text goes through the real clipboard (writable right after
// the user's key or click) and Ctrl+V.
const kPastes = {
  chromium: pasteByEvent,
  firefox: async (page, text) => {
    await page.evaluate((text) => navigator.clipboard.writeText(text), text);
    await pressWith(page, 'Control', 'v');
  },
};

async function launchPuppeteer(name, viewport, limitMs) {
  const profile =
    name === 'chromium' ? fs.mkdtempSync(path.join(os.tmpdir(), 'punktmuster-chromium-')) : null;
  const options =
    name === 'chromium'
      ? { executablePath: kChromium, userDataDir: profile, args: kChromeFlags }
      : { browser: 'firefox', executablePath: kFirefox };
  let browser;
  try {
    browser = await puppeteer.launch({
      ...options,
      headless: true,
      defaultViewport: viewport,
      protocolTimeout: limitMs * 2,
    });
  } catch (error) {
    if (profile) fs.rmSync(profile, { recursive: true, force: true });
    throw error;
  }
  return {
    name,
    pid: browser.process().pid,
    browser,
    newPage: () => browser.newPage(),
    pastePlain: kPastes[name],
    close: async () => {
      await browser.close();
      if (profile) fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Starts a fresh engine (a new profile, nothing cached). `viewport` is the
// page's size for puppeteer's engines (MiniBrowser's window is always
// kWebKitWindow); `limitMs` bounds every call against a hang.
export function launchEngine(name, { viewport = null, limitMs = 60000 } = {}) {
  if (name === 'webkit') return launchWebKit(limitMs);
  if (name === 'chromium' || name === 'firefox') return launchPuppeteer(name, viewport, limitMs);
  throw new Error(`unknown engine ${name}`);
}
