// The browser side of bench/web_cost.sh (read its top comment): drives each
// engine through tests/web/engines.mjs and prints the table, the desktop's
// figures (measured by the script) beside the engines'.
//
// Usage: node web_cost.mjs --site DIR [--drawing] [--idle] [--start]
//          [--engines LIST] [--runs N] [--idle-runs N] [--starts N] [--desktop FILE]
// FILE holds one "program_s xserver_s wall_s" line per desktop drawing.
import fs from 'node:fs';
import path from 'node:path';
import { cpuBetween, kEngineNames, launchEngine, processTreeCpu, serve } from '../tests/web/engines.mjs';

const kDesktop = { width: 1280, height: 800 };
const kLimitMs = 60000; // against a hang
const kPollMs = 50;
const kIdleMs = 20000;
// Before the idle spans: what a launch or a load sets going (a service
// worker's install, caches written, a fresh profile's first tasks) has ended.
const kSettleMs = 10000;
const kWidth = 1030;
const kHeight = 630;
// The description screen's red heading lies in these rows and columns.
const kHeading = { left: 368, top: 31, width: 232, height: 31 };
const kHeadingRed = [0xf0, 0x00, 0x00];
// A page of the program's canvas filled grey, and the script.
function canvasPage(title, script) {
  return `<!doctype html>
<html lang="de"><head><meta charset="utf-8"><title>${title}</title><link rel="icon" href="data:,"></head>
<body style="margin: 16px; background: #f0f0f0">
<canvas id="screen" width="${kWidth}" height="${kHeight}"></canvas>
<script>
  const context = document.getElementById('screen').getContext('2d');
  context.fillStyle = '#d0d0d0';
  context.fillRect(0, 0, ${kWidth}, ${kHeight});
${script}
</script>
</body></html>
`;
}
const kEmptyPath = '/empty-canvas.html';
// The empty page: one line of text on the canvas, and the first frame
// recorded as the program's page records it.
const kEmptyPage = canvasPage(
  'Leer',
  `  context.fillStyle = '#000000';
  context.font = '16px sans-serif';
  context.fillText('Eine leere Seite mit einer Zeile Text', 20, 40);
  window.punktmuster = { firstFrameMs: performance.now() };`,
);
// The floor of a drawing's frames: one pixel of the canvas changed at every
// animation frame for as long as a drawing of the built-in pairs lasts.
const kPixelPath = '/one-pixel.html';
const kPixelMs = 5000;
const kPixelPage = canvasPage(
  'Ein Pixel',
  `  window.onePixel = (ms) => new Promise((resolve) => {
    const end = performance.now() + ms;
    let frames = 0;
    (function frame() {
      context.fillStyle = frames % 2 ? '#0000a8' : '#a80000';
      context.fillRect(frames % ${kWidth}, ${kHeight / 2}, 1, 1);
      frames += 1;
      if (performance.now() < end) requestAnimationFrame(frame);
      else resolve(frames);
    })();
  });`,
);

// --- options ---

function parseOptions(argv) {
  const options = {
    site: null,
    parts: new Set(),
    engines: kEngineNames,
    runs: 3,
    idleRuns: 3,
    starts: 10,
    desktop: null,
  };
  for (let i = 0; i < argv.length; i++) {
    const word = argv[i];
    if (word === '--drawing' || word === '--idle' || word === '--start') options.parts.add(word.slice(2));
    else if (word === '--site') options.site = argv[++i];
    else if (word === '--engines') options.engines = argv[++i].split(',');
    else if (word === '--runs') options.runs = Number(argv[++i]);
    else if (word === '--idle-runs') options.idleRuns = Number(argv[++i]);
    else if (word === '--starts') options.starts = Number(argv[++i]);
    else if (word === '--desktop') options.desktop = argv[++i];
    else throw new Error(`unknown option ${word}`);
  }
  if (options.parts.size === 0) options.parts = new Set(['drawing', 'idle', 'start']);
  const unknown = options.engines.filter((name) => !kEngineNames.includes(name));
  const counts = [options.runs, options.idleRuns, options.starts];
  if (!options.site || unknown.length > 0 || !counts.every((n) => n >= 1)) {
    throw new Error(`usage: web_cost.mjs --site DIR ... (engines: ${kEngineNames.join(',')})`);
  }
  return options;
}

// --- in the page ---

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Settles once the condition holds in the page, looking every kPollMs; one
// call, so that no questions cross from here while it waits.
function inPage(page, condition, what, ...args) {
  return page.evaluate(
    (condition, what, limitMs, pollMs, args) =>
      new Promise((resolve, reject) => {
        const holds = new Function('args', condition);
        const end = performance.now() + limitMs;
        (function look() {
          if (holds(args)) return resolve(true);
          if (performance.now() > end) return reject(new Error(`no ${what} within ${limitMs} ms`));
          setTimeout(look, pollMs);
        })();
      }),
    condition,
    what,
    kLimitMs,
    kPollMs,
    args,
  );
}

const kTaken = `const program = window.punktmuster && window.punktmuster.program;
  return !!program && program._web_input_pending() === 0;`;
// Some pixel of the heading is red: the description screen is shown.
const kRedHeading = `const h = args[0], red = args[1];
  const context = document.getElementById('screen').getContext('2d');
  const d = context.getImageData(h.left, h.top, h.width, h.height).data;
  for (let i = 0; i < d.length; i += 4) {
    if (d[i] === red[0] && d[i + 1] === red[1] && d[i + 2] === red[2]) return true;
  }
  return false;`;

// The program keeps one key: the next only once it took the last.
async function press(page, key, times = 1) {
  for (let i = 0; i < times; i++) {
    await inPage(page, kTaken, `key taken before ${key}`);
    await page.keyboard.press(key);
  }
  await inPage(page, kTaken, `${key} taken`);
}

// Watches the next drawing frame by frame: the keydown of the Return, the
// first animation frame without the heading's first red pixel (the drawing
// began), the first with it again (the next description screen), and the
// animation frames in between. `window.benchDrawing.done` settles at the end.
function watchDrawing(page) {
  return page.evaluate(
    (h, red, limitMs) => {
      const context = document.getElementById('screen').getContext('2d');
      const heading = context.getImageData(h.left, h.top, h.width, h.height).data;
      let at = 0;
      while (!(heading[at] === red[0] && heading[at + 1] === red[1] && heading[at + 2] === red[2])) at += 4;
      const x = h.left + ((at / 4) % h.width);
      const y = h.top + Math.floor(at / 4 / h.width);
      const shown = () => {
        const d = context.getImageData(x, y, 1, 1).data;
        return d[0] === red[0] && d[1] === red[1] && d[2] === red[2];
      };
      const watch = (window.benchDrawing = { pressed: null, gone: null, back: null, frames: 0 });
      window.addEventListener('keydown', (e) => (watch.pressed = e.timeStamp), { once: true });
      watch.done = new Promise((resolve, reject) => {
        const end = performance.now() + limitMs;
        function look() {
          if (watch.gone === null) {
            if (!shown()) watch.gone = performance.now();
          } else {
            watch.frames += 1;
            if (shown()) {
              watch.back = performance.now();
              return resolve();
            }
          }
          if (performance.now() > end) return reject(new Error('the drawing did not end'));
          requestAnimationFrame(look);
        }
        requestAnimationFrame(look);
      });
    },
    kHeading,
    kHeadingRed,
    kLimitMs,
  );
}

// --- measuring ---

function cpuSpan(engine) {
  const start = processTreeCpu(engine.pid);
  const x = engine.xvfbPid ? processTreeCpu(engine.xvfbPid) : null;
  return { start, x, wall: process.hrtime.bigint() };
}

// CPU of the engine (and of its X server) since the span began.
function cpuSince(engine, span) {
  const cpu = cpuBetween(span.start, processTreeCpu(engine.pid));
  const x = span.x ? cpuBetween(span.x, processTreeCpu(engine.xvfbPid)) : null;
  return { ...cpu, x, wallNs: Number(process.hrtime.bigint() - span.wall) };
}

// CPU seconds of the engine and its X server while `work` runs.
async function cpuOf(engine, work) {
  const span = cpuSpan(engine);
  await work();
  const cpu = cpuSince(engine, span);
  return cpu.seconds + (cpu.x ? cpu.x.seconds : 0);
}

// An engine's background work comes in bursts: several spans in a row.
async function idleSpans(engine, runs) {
  await sleep(kSettleMs);
  const spans = [];
  for (let run = 0; run < runs; run++) {
    const span = cpuSpan(engine);
    await sleep(kIdleMs);
    spans.push(cpuSince(engine, span));
  }
  return spans;
}

async function drawings(page, engine, runs) {
  const figures = [];
  for (let run = 0; run < runs; run++) {
    // Pair count, three pairs of two terms, the range: the same three
    // pairs again at every pass.
    await press(page, 'Enter', 7);
    await watchDrawing(page);
    const span = cpuSpan(engine);
    await page.keyboard.press('Enter');
    await page.evaluate(() => window.benchDrawing.done);
    const cpu = cpuSince(engine, span);
    const watch = await page.evaluate(() => {
      const w = window.benchDrawing;
      return { pressed: w.pressed, gone: w.gone, back: w.back, frames: w.frames };
    });
    figures.push({
      cpu: cpu.seconds,
      x: cpu.x ? cpu.x.seconds : null,
      wall: (watch.back - watch.pressed) / 1000,
      fps: (watch.frames * 1000) / (watch.back - watch.gone),
    });
  }
  return figures;
}

// The drawing's computation alone: the page is asked for no frame from the
// last Enter until the program waits at the next pair count, and shows the
// picture once that span is over.
async function drawingsWithoutFrames(page, engine, runs) {
  const seconds = [];
  for (let run = 0; run < runs; run++) {
    await press(page, 'Enter', 7);
    await page.evaluate(() => {
      const page = window.punktmuster.program.page;
      const { wantFrame, waits } = page;
      page.wantFrame = () => {};
      window.benchShow = () => {
        page.wantFrame = wantFrame;
        page.wantFrame();
      };
      window.benchWaited = new Promise((resolve) => {
        page.waits = (prompt, field) => {
          page.waits = waits;
          waits(prompt, field);
          resolve();
        };
      });
    });
    seconds.push(
      await cpuOf(engine, async () => {
        await page.keyboard.press('Enter');
        await page.evaluate(() => window.benchWaited);
      }),
    );
    await page.evaluate(() => window.benchShow());
  }
  return seconds;
}

// Waiting and drawings in one browser: about:blank first, the engine's own
// floor before any page ran in it; then the program's page waiting at the
// pair count; then the drawings, the drawings without frames, and last the
// page of one pixel a frame, the floor of a drawing's frames.
async function engineCosts(name, base, options) {
  const engine = await launchEngine(name, { viewport: kDesktop, limitMs: kLimitMs });
  const result = { name, drawings: null, idle: null, blank: null, pixel: null, unframed: null };
  try {
    const page = await engine.newPage();
    if (options.parts.has('idle')) {
      await page.goto('about:blank', { waitUntil: 'load' });
      result.blank = await idleSpans(engine, options.idleRuns);
    }
    await page.goto(`${base}/`, { waitUntil: 'load' });
    await inPage(page, kRedHeading, 'description screen', kHeading, kHeadingRed);
    if (options.parts.has('idle')) result.idle = await idleSpans(engine, options.idleRuns);
    if (options.parts.has('drawing')) {
      result.drawings = await drawings(page, engine, options.runs);
      result.unframed = await drawingsWithoutFrames(page, engine, options.runs);
      await page.goto(`${base}${kPixelPath}`, { waitUntil: 'load' });
      result.pixel = [];
      for (let run = 0; run < options.runs; run++) {
        result.pixel.push(await cpuOf(engine, () => page.evaluate((ms) => window.onePixel(ms), kPixelMs)));
      }
    }
  } finally {
    await engine.close();
  }
  return result;
}

// The first frame of a page in a fresh browser, ms from navigation start.
async function firstFrame(name, url) {
  const engine = await launchEngine(name, { viewport: kDesktop, limitMs: kLimitMs });
  try {
    const page = await engine.newPage();
    await page.goto(url, { waitUntil: 'load' });
    const drawn = 'return !!window.punktmuster && window.punktmuster.firstFrameMs !== null;';
    await inPage(page, drawn, 'first frame');
    return await page.evaluate(() => window.punktmuster.firstFrameMs);
  } finally {
    await engine.close();
  }
}

// The two pages by turns, so that a slow minute of the machine falls on both.
async function firstFrames(name, site, empty, starts) {
  const times = { site: [], empty: [] };
  for (let i = 0; i < starts; i++) {
    times.site.push(await firstFrame(name, site));
    times.empty.push(await firstFrame(name, empty));
  }
  return times;
}

// --- the table ---

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// "median (lowest-highest)" of the values, with `digits` decimals.
function spread(values, digits) {
  const f = (v) => v.toFixed(digits);
  if (values.length === 1) return f(values[0]);
  return `${f(median(values))} (${f(Math.min(...values))}-${f(Math.max(...values))})`;
}

function row(cells, widths) {
  return cells.map((cell, i) => String(cell).padEnd(widths[i])).join('  ').trimEnd();
}

function readDesktop(file) {
  if (!file) return null;
  return fs
    .readFileSync(file, 'utf8')
    .trim()
    .split('\n')
    .map((line) => {
      const [program, x, wall] = line.split(' ').map(Number);
      return { program, x, cpu: program + x, wall };
    });
}

function printDrawings(desktop, results) {
  const widths = [24, 22, 22, 10, 18, 12];
  console.log('\nOne drawing of the built-in pairs: CPU s, median (range) over the runs');
  console.log(row(['', 'processes', 'X server', 'x desktop', 'wall s', 'frames/s'], widths));
  const base = desktop ? median(desktop.map((d) => d.cpu)) : null;
  if (desktop) {
    console.log(
      row(
        [
          'desktop (program + X)',
          spread(desktop.map((d) => d.program), 3),
          spread(desktop.map((d) => d.x), 3),
          '1.0',
          spread(desktop.map((d) => d.wall), 2),
          '-',
        ],
        widths,
      ),
    );
    console.log(row(['  together', spread(desktop.map((d) => d.cpu), 3)], widths));
  }
  for (const r of results) {
    if (!r.drawings) continue;
    const d = r.drawings;
    const total = d.map((f) => f.cpu + (f.x || 0));
    console.log(
      row(
        [
          r.name,
          spread(d.map((f) => f.cpu), 3),
          d[0].x === null ? '- (headless)' : spread(d.map((f) => f.x), 3),
          base ? (median(total) / base).toFixed(1) : '-',
          spread(d.map((f) => f.wall), 2),
          spread(d.map((f) => f.fps), 0),
        ],
        widths,
      ),
    );
  }
}

// Each engine's drawing beside its floor: one pixel changed a frame for the
// drawing's span, plus the drawing's computation without frames.
function printFloors(desktop, results) {
  const widths = [24, 14, 22, 22, 10, 10, 10];
  console.log(`\nThe floor of a drawing: CPU s, median (range); one pixel a frame for ${kPixelMs / 1000} s`);
  console.log(row(['', 'drawing', 'one pixel a frame', 'without frames', 'floor', 'x floor', 'x desktop'], widths));
  const base = desktop ? median(desktop.map((d) => d.cpu)) : null;
  for (const r of results) {
    if (!r.drawings) continue;
    const drawing = median(r.drawings.map((f) => f.cpu + (f.x || 0)));
    const floor = median(r.pixel) + median(r.unframed);
    const cells = [r.name, drawing.toFixed(3), spread(r.pixel, 3), spread(r.unframed, 3), floor.toFixed(3)];
    cells.push((drawing / floor).toFixed(1), base ? (drawing / base).toFixed(1) : '-');
    console.log(row(cells, widths));
  }
}

// Percent of one core of each span: its threads' run time in its wall time.
function percents(spans, of = (span) => span.ns) {
  return spans.map((span) => (of(span) / span.wallNs) * 100);
}

function printIdle(results, runs) {
  const widths = [24, 24, 24, 24];
  console.log(`\nWaiting: % of one core over ${runs} spans of ${kIdleMs / 1000} s, median (range)`);
  console.log(row(['', 'at the pair count', 'about:blank before', 'X server (pair count)'], widths));
  for (const r of results) {
    if (!r.idle) continue;
    const x = r.idle[0].x === null ? '- (headless)' : spread(percents(r.idle, (span) => span.x.ns), 3);
    console.log(row([r.name, spread(percents(r.idle), 3), spread(percents(r.blank), 3), x], widths));
  }
}

function printStarts(starts, count) {
  const widths = [24, 22, 22, 8];
  console.log(`\nFirst frame, ms from navigation start, ${count} fresh browsers each: median (range)`);
  console.log(row(['', 'the program', 'empty canvas page', 'ratio'], widths));
  for (const [name, times] of starts) {
    const ratio = median(times.site) / median(times.empty);
    console.log(row([name, spread(times.site, 0), spread(times.empty, 0), ratio.toFixed(2)], widths));
  }
}

const options = parseOptions(process.argv.slice(2));
const server = await serve(path.resolve(options.site), {
  [kEmptyPath]: { type: 'text/html; charset=utf-8', body: kEmptyPage },
  [kPixelPath]: { type: 'text/html; charset=utf-8', body: kPixelPage },
});
const base = `http://127.0.0.1:${server.address().port}`;
const results = [];
const starts = [];
let failed = false;
try {
  for (const name of options.engines) {
    if (options.parts.has('drawing') || options.parts.has('idle')) {
      results.push(await engineCosts(name, base, options));
    }
    if (options.parts.has('start')) {
      starts.push([name, await firstFrames(name, `${base}/`, `${base}${kEmptyPath}`, options.starts)]);
    }
  }
} catch (error) {
  console.error(`web_cost: ${error.stack || error}`);
  failed = true;
} finally {
  server.close();
}
const load = fs.readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ');
console.log(`site ${path.resolve(options.site)}; load average at the end ${load}`);
if (options.parts.has('drawing')) {
  printDrawings(readDesktop(options.desktop), results);
  printFloors(readDesktop(options.desktop), results);
}
if (options.parts.has('idle')) printIdle(results, options.idleRuns);
if (options.parts.has('start')) printStarts(starts, options.starts);
process.exit(failed ? 1 : 0);
