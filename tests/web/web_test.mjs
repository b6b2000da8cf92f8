// The browser build in real browsers, the site served by a small server of
// our own on 127.0.0.1 (engines.mjs) that lives as long as an engine's run:
// every check in Debian's chromium, headless, driven through puppeteer-core;
// the core checks (the screens, the drawings, typed and pasted counts, ESC,
// offline, no error in the page) also in Firefox ESR and in WebKitGTK.
//
// Usage: node web_test.mjs SITE_DIR REFERENCE_DIR [--engines LIST]
// REFERENCE_DIR holds what web_test.sh made: the headless surface's screens
// (*.ppm), the reference pixel list of the first drawing (golden.txt) and
// the headless drawings of the phone run (phone_count*.txt). LIST is
// comma-separated, of chromium,firefox,webkit (default all three).
// bench/web_cost.sh measures what the test only prints in passing.
//
// Waits have generous limits against a hang; no durations are asserted, the
// ones printed are for the record.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { kChromeFlags, kEngineNames, launchEngine, pasteByEvent, serve } from './engines.mjs';
import { pageChecks } from './page_checks.mjs';
import { checkWorkers } from './worker_checks.mjs';

const kWidth = 1030;
const kHeight = 630;
const kLightGrey = 0xd0d0d0;
const kLightYellow = 0xffff80;
const kMessageRows = [600, 624]; // the message row 26, bottom exclusive
// Inside the cell of row 23 (the g input), column 30, in text cells of 13 x 24.
const kGRowPx = 22 * 24 + 12;
const kGColumnPx = 29 * 13 + 6;
const kLimitMs = 60000; // against a hang
const kDesktop = { width: 1280, height: 800 };
const kPollMs = 50;
// Half the distinct pixels of the first drawing: enough points to judge.
const kDrawnPixels = 20000;

const [siteDir, referenceDir] = process.argv.slice(2);
const enginesAt = process.argv.indexOf('--engines');
const engines = enginesAt > 0 ? process.argv[enginesAt + 1].split(',') : kEngineNames;
if (!siteDir || !referenceDir || engines.some((name) => !kEngineNames.includes(name))) {
  console.error(`usage: node web_test.mjs SITE_DIR REFERENCE_DIR [--engines ${kEngineNames.join(',')}]`);
  process.exit(2);
}

let passed = 0;
let failed = 0;
function check(name, ok, detail = '') {
  if (ok) passed += 1;
  else failed += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ': ' + detail : ''}`);
  return ok;
}

// --- reading the canvas ---

function readPpm(file) {
  const data = fs.readFileSync(file);
  const header = `P6\n${kWidth} ${kHeight}\n255\n`;
  if (data.subarray(0, header.length).toString('latin1') !== header) {
    throw new Error(`${file}: not a ${kWidth}x${kHeight} PPM`);
  }
  return data.subarray(header.length);
}

// Loads a reference screen (RGB bytes) into the page under a name.
async function giveReference(page, name, rgb) {
  await page.evaluate(
    (name, base64) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      window.references = window.references || {};
      window.references[name] = bytes;
    },
    name,
    Buffer.from(rgb).toString('base64'),
  );
}

// In the page: how many canvas pixels differ from the named reference.
function differingPixels(page, name) {
  return page.evaluate(
    (name, width, height) => {
      const canvas = document.getElementById('screen');
      const rgba = canvas.getContext('2d').getImageData(0, 0, width, height).data;
      const rgb = window.references[name];
      let count = 0;
      for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
        if (rgba[i] !== rgb[j] || rgba[i + 1] !== rgb[j + 1] || rgba[i + 2] !== rgb[j + 2]) count++;
      }
      return count;
    },
    name,
    kWidth,
    kHeight,
  );
}

// In the page: how many pixels of the rows [top, bottom) have the colour
// (or, with `other`, any colour but it).
function countColour(page, colour, top, bottom, other = false) {
  return page.evaluate(
    (colour, top, bottom, other, width) => {
      const canvas = document.getElementById('screen');
      const rgba = canvas.getContext('2d').getImageData(0, top, width, bottom - top).data;
      let count = 0;
      for (let i = 0; i < rgba.length; i += 4) {
        const c = (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2];
        if ((c === colour) !== other) count++;
      }
      return count;
    },
    colour,
    top,
    bottom,
    other,
    kWidth,
  );
}

// The heading of the description screen is gone: the watched drawing began.
function drawingBegun(page) {
  return page.evaluate(() => window.drawingWatch.gone !== null);
}

// The canvas as 0xRRGGBB numbers.
async function canvasPixels(page) {
  const base64 = await page.evaluate((width, height) => {
    const canvas = document.getElementById('screen');
    const rgba = canvas.getContext('2d').getImageData(0, 0, width, height).data;
    let text = '';
    const chunk = 0x8000;
    for (let i = 0; i < rgba.length; i += chunk) {
      text += String.fromCharCode.apply(null, rgba.subarray(i, i + chunk));
    }
    return btoa(text);
  }, kWidth, kHeight);
  const rgba = Buffer.from(base64, 'base64');
  const pixels = new Uint32Array(kWidth * kHeight);
  for (let i = 0; i < pixels.length; i++) {
    pixels[i] = (rgba[4 * i] << 16) | (rgba[4 * i + 1] << 8) | rgba[4 * i + 2];
  }
  return pixels;
}

async function canvasPixel(page, x, y) {
  return page.evaluate(
    (x, y) => {
      const d = document.getElementById('screen').getContext('2d').getImageData(x, y, 1, 1).data;
      return (d[0] << 16) | (d[1] << 8) | d[2];
    },
    x,
    y,
  );
}

// --- waiting and typing ---

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// An error in the page fails every wait after it at once.
let pageError = null;

// Polls until `condition` is true; false after the limit.
async function until(condition, limitMs = kLimitMs) {
  const end = Date.now() + limitMs;
  for (;;) {
    if (pageError) return false;
    if (await condition()) return true;
    if (Date.now() > end) return false;
    await sleep(kPollMs);
  }
}

async function showsScreen(page, name, limitMs = kLimitMs) {
  let last = -1;
  const ok = await until(async () => (last = await differingPixels(page, name)) === 0, limitMs);
  return { ok, detail: ok ? '' : `${last} pixels differ` };
}

// The program keeps one key: hand over the next only once it took the last.
function inputTaken(page) {
  return until(() =>
    page.evaluate(() => {
      const program = window.punktmuster.program;
      return !!program && program._web_input_pending() === 0;
    }),
  );
}

async function press(page, key, times = 1) {
  for (let i = 0; i < times; i++) {
    if (!(await inputTaken(page))) throw new Error(`the program took no key before ${key}`);
    await page.keyboard.press(key);
  }
  if (!(await inputTaken(page))) throw new Error(`the program did not take ${key}`);
}

async function type(page, text) {
  for (const c of text) await press(page, c);
}

// A key whose value the browser composed. With `dead`, as a dead key
// followed by the space gives it on a German layout (the dead key's own event
// carries "Dead"); otherwise as a key of some layout gives it at once.
async function pressComposed(page, client, code, composed, dead = true) {
  if (!(await inputTaken(page))) throw new Error(`the program took no key before ${composed}`);
  if (dead) {
    const base = { code, windowsVirtualKeyCode: 220, nativeVirtualKeyCode: 220 };
    await client.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', key: 'Dead', ...base });
    await client.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'Dead', ...base });
    code = 'Space';
  }
  const key = { key: composed, code, windowsVirtualKeyCode: 0, nativeVirtualKeyCode: 0 };
  await client.send('Input.dispatchKeyEvent', {
    type: 'keyDown',
    text: composed,
    unmodifiedText: composed,
    ...key,
  });
  await client.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key });
  if (!(await inputTaken(page))) throw new Error(`the program did not take ${composed}`);
}

// --- the checks ---

function titleShown(page) {
  return until(async () => {
    // The green logo panel below its texts and the black shadow beside it.
    const panel = await canvasPixel(page, 680, 400);
    const shadow = await canvasPixel(page, 708, 440);
    return panel === 0x00be00 && shadow === 0x000000;
  });
}

async function endedShown(page) {
  return until(() =>
    page.evaluate(() => {
      const line = document.getElementById('ended');
      return (
        window.punktmuster.state === 'ended' &&
        !line.hidden &&
        line.textContent.includes('Das Programm ist beendet.') &&
        !!document.getElementById('restart')
      );
    }),
  );
}

// Times the next drawing in the page, frame by frame: the keydown of the
// Return, the first frame without the red heading (the drawing began) and the
// first with it again (the next description screen).
function watchDrawing(page) {
  return page.evaluate((width) => {
    const rgb = window.references.description;
    let at = 0;
    while (!(rgb[3 * at] === 0xf0 && rgb[3 * at + 1] === 0 && rgb[3 * at + 2] === 0)) at++;
    const context = document.getElementById('screen').getContext('2d');
    const red = () => {
      const d = context.getImageData(at % width, Math.floor(at / width), 1, 1).data;
      return d[0] === 0xf0 && d[1] === 0 && d[2] === 0;
    };
    const watch = (window.drawingWatch = { pressed: null, gone: null, back: null });
    window.addEventListener('keydown', (e) => (watch.pressed = e.timeStamp), { once: true });
    function look() {
      if (watch.gone === null) {
        if (!red()) watch.gone = performance.now();
      } else if (red()) {
        watch.back = performance.now();
        return;
      }
      requestAnimationFrame(look);
    }
    requestAnimationFrame(look);
  }, kWidth);
}

// Return eight times: the count, three pairs of two terms, the range. The
// last Return, which starts the drawing, is the one watchDrawing times.
async function startWatchedDrawing(page) {
  await press(page, 'Enter', 7);
  await watchDrawing(page);
  await page.keyboard.press('Enter');
}

function loadGolden(file) {
  const allowed = new Map();
  for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
    if (!line) continue;
    const [x, y, c] = line.split(' ').map(Number);
    const at = y * kWidth + x;
    if (!allowed.has(at)) allowed.set(at, new Set());
    allowed.get(at).add(c);
  }
  return allowed;
}

// Waits for a watched drawing (watchDrawing) to have more than `enough`
// coloured pixels and judges that snapshot against the reference pixels
// (loadGolden): which coloured ones it does not set there, in that colour.
async function drawnFrom(page, allowed, enough) {
  // The screens before the drawing have plenty of non-grey pixels too, so
  // count only once the heading is gone, and judge the very snapshot that
  // was counted: the drawing goes on between two looks at the canvas.
  let pixels = null;
  let coloured = 0;
  const begun = await until(async () => {
    if (!(await drawingBegun(page))) return false;
    const now = await canvasPixels(page);
    coloured = now.reduce((count, c) => count + (c !== kLightGrey ? 1 : 0), 0);
    if (coloured <= enough) return false;
    pixels = now;
    return true;
  });
  const wrong = [];
  if (pixels) {
    pixels.forEach((c, at) => {
      if (c === kLightGrey) return;
      const colours = allowed.get(at);
      if (!colours || !colours.has(c)) wrong.push(`${at % kWidth},${Math.floor(at / kWidth)}:${c.toString(16)}`);
    });
  }
  return { begun, coloured, wrong };
}

function drawnDetail(drawing) {
  const some = drawing.wrong.slice(0, 5).join(' ');
  return `${drawing.coloured} coloured, ${drawing.wrong.length} not in the reference ${some}`;
}

async function firstRun(page, golden) {
  check('title screen', await titleShown(page));
  const firstFrameMs = await page.evaluate(() => window.punktmuster.firstFrameMs);
  console.log(`page load to the title: ${Math.round(firstFrameMs)} ms (first frame, from navigation start)`);
  // Only now: handing them over takes longer than the title stands.
  for (const name of ['description', 'dead_key', 'keys', 'offered_again']) {
    await giveReference(page, name, readPpm(path.join(referenceDir, `${name}.ppm`)));
  }
  let shown = await showsScreen(page, 'description');
  check('description screen equals the headless one', shown.ok, shown.detail);
  check('the live region says the first input', await spokenHolds(page, 'Zahl der Funktionenpaare'));

  await startWatchedDrawing(page);
  const drawing = await drawnFrom(page, golden, kDrawnPixels);
  check('the first drawing begins', drawing.begun);
  if (drawing.begun) {
    check(
      'every coloured pixel of the drawing is in the reference, in its colour',
      drawing.wrong.length === 0,
      drawnDetail(drawing),
    );
  }
  // Cheap waiting while the drawing runs, so that it gets the page to itself.
  await until(() => page.evaluate(() => window.drawingWatch.back !== null));
  shown = await showsScreen(page, 'description');
  check('the next pass follows the drawing', shown.ok, shown.detail);
  const watch = await page.evaluate(() => window.drawingWatch);
  if (watch.back !== null) {
    console.log(
      `paced drawing: ${((watch.back - watch.pressed) / 1000).toFixed(2)} s from the Return to the ` +
        `next description screen, ${((watch.back - watch.gone) / 1000).toFixed(2)} s on the screen`,
    );
  }

  // A key during a drawing ends it and the next pass begins.
  await startWatchedDrawing(page);
  check(
    'the second drawing begins',
    await until(
      async () =>
        (await drawingBegun(page)) && (await countColour(page, kLightGrey, 0, kHeight, true)) > 1000,
    ),
  );
  await page.keyboard.press('a');
  shown = await showsScreen(page, 'description');
  check('a key during the drawing starts the next pass', shown.ok, shown.detail);

  await press(page, 'Escape');
  check('ESC at an input shows the ended line', await endedShown(page));
}

async function secondRun(page) {
  await page.click('#restart');
  check('the button starts the program again', await titleShown(page));
  let shown = await showsScreen(page, 'description');
  check('description screen of the new start', shown.ok, shown.detail);

  // x^2 with a dead key: the term the headless program gets as x, ^, 2.
  const client = await page.createCDPSession();
  await press(page, 'Enter');
  await press(page, 'Delete', 60);
  await type(page, 'x');
  await pressComposed(page, client, 'Backquote', '^');
  await type(page, '2');
  shown = await showsScreen(page, 'dead_key');
  check('a term typed with a dead key', shown.ok, shown.detail);

  // TAB, text typed with Ctrl and characters outside the code page give no
  // key; the euro sign is one; the cursor keys move. The focus stays.
  await page.keyboard.press('Tab');
  await page.keyboard.down('Control');
  await page.keyboard.press('b');
  await page.keyboard.up('Control');
  await pressComposed(page, client, 'KeyA', '\u0101', false);
  await pressComposed(page, client, 'KeyE', '\u20ac', false);
  await press(page, 'ArrowLeft');
  await type(page, 'c');
  shown = await showsScreen(page, 'keys');
  const focused = await page.evaluate(() => document.activeElement.id);
  check('keys as on the desktop', shown.ok && focused === 'typing', `${shown.detail} focus on "${focused}"`);

  // x*-y fails at every evaluation: the message, then ESC ends the drawing
  // and the next pass offers the term again. A click on the g row confirms f.
  await press(page, 'ArrowLeft', 8);
  await press(page, 'Delete', 8);
  await type(page, 'x*-y');
  const box = await (await page.$('#screen')).boundingBox();
  await page.mouse.click(box.x + kGColumnPx, box.y + kGRowPx);
  await press(page, 'Enter', 6);
  const message = await until(
    async () => (await countColour(page, kLightYellow, kMessageRows[0], kMessageRows[1])) > 1000,
  );
  check('the calculation-error message on row 26', message);
  check('the live region says the message', await spokenHolds(page, ' Rechenfehler '));
  await press(page, 'Escape');
  shown = await showsScreen(page, 'description');
  check('ESC at the message ends the drawing', shown.ok, shown.detail);
  await press(page, 'Enter');
  shown = await showsScreen(page, 'offered_again');
  check('the next pass offers x*-y again', shown.ok, shown.detail);

  await press(page, 'Escape');
  check('ESC ends the program again', await endedShown(page));
}

// --- the phone run ---
// A phone held upright: narrow, touch, and the ways its keyboards give text.
// A tap on the pair count field focuses the editable element; the key bar's
// Entf empties the field; the count comes by one of three paths (a
// keyboard's committed character, an input method's composition, a paste);
// Enter keys go on to the drawing, whose pixels must be those the headless
// surface draws for the same keys; the key bar's Esc ends the program, and
// the next path starts it again.

const kPhone = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
// Inside the first cell of the pair count field: row 22, column 28.
const kCountRowPx = 21 * 24 + 12;
const kCountColumnPx = 27 * 13 + 6;

// A tap at a pixel of the program's window, through the canvas's scale.
async function tapCanvas(page, x, y) {
  const box = await (await page.$('#screen')).boundingBox();
  await page.touchscreen.tap(box.x + (x * box.width) / kWidth, box.y + (y * box.height) / kHeight);
}

async function tapKeyBar(page, value) {
  if (!(await inputTaken(page))) throw new Error(`the program took no key before ${value}`);
  await page.tap(`#keybar button[data-key="${value}"]`);
  if (!(await inputTaken(page))) throw new Error(`the program did not take ${value}`);
}

function focusedId(page) {
  return page.evaluate(() => document.activeElement.id);
}

// The count as a keyboard commits a character, as an input method commits
// a composition (nothing may arrive before, nothing twice) and as a paste.
const kCountPaths = [
  {
    name: 'typed (insertText)',
    count: '1',
    give: (page, client, count) => client.send('Input.insertText', { text: count }),
  },
  {
    name: 'composed (input method)',
    count: '2',
    give: async (page, client, count) => {
      await client.send('Input.imeSetComposition', { text: count, selectionStart: 1, selectionEnd: 1 });
      await client.send('Input.insertText', { text: count });
    },
  },
  {
    name: 'pasted',
    count: '1',
    give: (page, client, count) => pasteByEvent(page, count),
  },
];
// Enter for the count, then through the terms (two a pair) and the range.
const kEnters = { 1: 4, 2: 6 };

async function phoneRun(browser, url) {
  const page = await browser.newPage();
  page.setDefaultTimeout(kLimitMs);
  watchErrors(page);
  await page.setViewport(kPhone);
  await page.goto(url, { waitUntil: 'load' });
  const client = await page.createCDPSession();
  const drawings = {
    1: loadGolden(path.join(referenceDir, 'phone_count1.txt')),
    2: loadGolden(path.join(referenceDir, 'phone_count2.txt')),
  };

  for (const [index, way] of kCountPaths.entries()) {
    if (index > 0) await page.tap('#restart');
    check(`phone, ${way.name}: title screen`, await titleShown(page));
    if (index === 0) {
      await giveReference(page, 'description', readPpm(path.join(referenceDir, 'description.ppm')));
    }
    const shown = await showsScreen(page, 'description');
    check(`phone, ${way.name}: description screen`, shown.ok, shown.detail);

    if (index === 0) {
      const fit = await page.evaluate(() => {
        const box = document.getElementById('screen').getBoundingClientRect();
        const root = document.documentElement;
        return { scroll: root.scrollWidth, view: root.clientWidth, width: box.width, height: box.height };
      });
      check(
        'phone: no sideways scroll, the canvas shrunk to the width in its shape',
        fit.scroll <= fit.view &&
          fit.width <= fit.view &&
          Math.abs(fit.height / fit.width - kHeight / kWidth) < 0.01,
        `page ${fit.scroll} wide in ${fit.view}, canvas ${fit.width} x ${fit.height}`,
      );
      // Focus elsewhere first, as on a page just opened on a phone.
      await page.evaluate(() => document.activeElement.blur());
    }
    await tapCanvas(page, kCountColumnPx, kCountRowPx);
    if (!(await inputTaken(page))) throw new Error('the program did not take the tap');
    if (index === 0) {
      const focused = await focusedId(page);
      const name = 'phone: a tap on the pair count focuses the editable element';
      check(name, focused === 'typing', `focus on "${focused}"`);
    }
    await tapKeyBar(page, 'Delete');
    if (index === 0) {
      const focused = await focusedId(page);
      check('phone: the key bar keeps the focus', focused === 'typing', `focus on "${focused}"`);
    }
    await way.give(page, client, way.count);
    if (!(await inputTaken(page))) throw new Error(`the program did not take the ${way.name} count`);
    await press(page, 'Enter', kEnters[way.count] - 1);
    await watchDrawing(page);
    await page.keyboard.press('Enter');
    const allowed = drawings[way.count];
    const drawing = await drawnFrom(page, allowed, Math.min(kDrawnPixels, allowed.size / 2));
    check(
      `phone, ${way.name} count ${way.count}: the drawing is the headless one`,
      drawing.begun && drawing.wrong.length === 0,
      drawnDetail(drawing),
    );
    // The next pass (its count field offers the count typed last).
    await until(() => page.evaluate(() => window.drawingWatch.back !== null));
    await tapKeyBar(page, 'Escape');
    check(`phone, ${way.name}: the key bar's Esc ends the program`, await endedShown(page));
  }
  await page.close();
}

function watchErrors(page) {
  page.on('pageerror', (error) => {
    if (!pageError) check('no error in the page', false, error.message);
    pageError = pageError || error;
  });
  page.on('console', (message) => {
    if (message.type() === 'error') console.log(`page: ${message.text()}`);
  });
}

// --- the app: what the page loads, its manifest, offline, read aloud ---

// What the page loads, gzipped as a server would send it (the program's
// script is in index.html; the icons are fetched only to install the app).
const kLoadedFiles = ['index.html', 'punktmuster.wasm', 'manifest.webmanifest', 'service-worker.js'];
const kGzipBudgetBytes = 150000;
const kScreenGrey = '#d0d0d0'; // the screen's light grey, the app's colours

function checkSize() {
  let total = 0;
  const missing = kLoadedFiles.filter((name) => !fs.existsSync(path.join(siteDir, name)));
  if (missing.length > 0) {
    check('the site has every file the page loads', false, missing.join(' '));
    return;
  }
  const sizes = kLoadedFiles.map((name) => {
    const data = fs.readFileSync(path.join(siteDir, name));
    const gzipped = zlib.gzipSync(data, { level: 9 }).length;
    total += gzipped;
    return `${name} ${data.length} (${gzipped})`;
  });
  console.log(`what the page loads, bytes (gzipped): ${sizes.join(', ')}`);
  const within = total <= kGzipBudgetBytes;
  check(`all of it gzipped at most ${kGzipBudgetBytes} bytes`, within, `${total} bytes`);
}

// Width and height from a PNG's header.
function pngSize(file) {
  const data = fs.readFileSync(file);
  return `${data.readUInt32BE(16)}x${data.readUInt32BE(20)}`;
}

async function checkManifest(page) {
  const href = await page.evaluate(() => document.querySelector('link[rel="manifest"]')?.href);
  const file = path.join(siteDir, path.basename(href || 'none'));
  const manifest = JSON.parse(fs.readFileSync(file, 'utf8'));
  const fields =
    manifest.name === 'Punktmuster' &&
    !!manifest.short_name &&
    manifest.lang === 'de' &&
    !!manifest.start_url &&
    manifest.display === 'standalone' &&
    manifest.background_color === kScreenGrey &&
    manifest.theme_color === kScreenGrey;
  check('the page links the manifest with its fields', fields, JSON.stringify(manifest).slice(0, 300));
  const icons = manifest.icons || [];
  const wrong = icons.filter((icon) => pngSize(path.join(siteDir, icon.src)) !== icon.sizes);
  const has = (sizes, purpose) =>
    icons.some((icon) => icon.sizes === sizes && (icon.purpose || 'any') === purpose);
  check(
    'icons of 192 and 512 pixels, one maskable, each as large as it says',
    has('192x192', 'any') && has('512x512', 'any') && has('512x512', 'maskable') && wrong.length === 0,
    wrong.map((icon) => `${icon.src} is ${pngSize(path.join(siteDir, icon.src))}`).join(' '),
  );
}

// With the server gone, a reload still starts the program: from the
// service worker's cache. Chromium is also told it is offline; in the other
// engines the server is simply gone.
async function checkOffline(page, server, engine = 'chromium') {
  const ready = await page.evaluate((limitMs) =>
    Promise.race([
      navigator.serviceWorker.ready.then(() => true),
      new Promise((resolve) => setTimeout(() => resolve(false), limitMs)),
    ]),
    kLimitMs,
  );
  const name = (text) => (engine === 'chromium' ? text : `${engine}: ${text}`);
  check(name('the service worker is ready'), ready);
  server.close();
  server.closeAllConnections();
  if (engine === 'chromium') await page.setOfflineMode(true);
  await page.reload({ waitUntil: 'load' });
  // Without the worker the browser shows its own error page, without a canvas.
  const shown = await titleShown(page).catch(() => false);
  check(name('offline, a reload shows the title'), shown);
  if (engine === 'chromium') await page.setOfflineMode(false);
}

// The live region holds the words, within the limit.
function spokenHolds(page, words) {
  return until(() =>
    page.evaluate((words) => document.getElementById('spoken').textContent.includes(words), words),
  );
}


// --- the core checks in the other engines ---
// Each drawing in a fresh start, whose random sequence is the headless
// surface's: the eight Enters' golden drawing, a count typed after Entf, a
// count pasted after Entf (with the Enters as the paste's line breaks), each
// ended by ESC; then offline.

// The count, then two a pair for the terms and one for the range.
const kCoreCounts = [
  {
    name: 'Entf and a typed count',
    count: 1,
    give: async (engine, page) => {
      await type(page, '1');
      await press(page, 'Enter', 3);
      await page.keyboard.press('Enter');
    },
  },
  {
    name: 'Entf and a pasted count with its Enters',
    count: 2,
    give: (engine, page) => engine.pastePlain(page, '2' + '\n'.repeat(6)),
  },
];

async function coreRun(engine, url, server, golden) {
  const name = (text) => `${engine.name}: ${text}`;
  const page = await engine.newPage();
  page.setDefaultTimeout(kLimitMs);
  watchErrors(page);
  await page.goto(url, { waitUntil: 'load' });
  check(name('title screen'), await titleShown(page));
  await giveReference(page, 'description', readPpm(path.join(referenceDir, 'description.ppm')));
  let shown = await showsScreen(page, 'description');
  check(name('description screen equals the headless one'), shown.ok, shown.detail);
  await startWatchedDrawing(page);
  let drawing = await drawnFrom(page, golden, kDrawnPixels);
  const exact = drawing.begun && drawing.wrong.length === 0;
  check(name('eight Enters: the golden drawing'), exact, drawnDetail(drawing));
  await until(() => page.evaluate(() => window.drawingWatch.back !== null));
  shown = await showsScreen(page, 'description');
  check(name('the next pass follows the drawing'), shown.ok, shown.detail);
  await press(page, 'Escape');
  check(name('ESC at an input shows the ended line'), await endedShown(page));

  for (const way of kCoreCounts) {
    await page.click('#restart');
    check(name(`${way.name}: title screen`), await titleShown(page));
    shown = await showsScreen(page, 'description');
    check(name(`${way.name}: description screen`), shown.ok, shown.detail);
    await press(page, 'Delete');
    await watchDrawing(page);
    await way.give(engine, page);
    const allowed = loadGolden(path.join(referenceDir, `phone_count${way.count}.txt`));
    drawing = await drawnFrom(page, allowed, Math.min(kDrawnPixels, allowed.size / 2));
    check(
      name(`${way.name}: the drawing is the headless one`),
      drawing.begun && drawing.wrong.length === 0,
      drawnDetail(drawing),
    );
    await until(() => page.evaluate(() => window.drawingWatch.back !== null));
    await press(page, 'Escape');
    check(name(`${way.name}: ESC shows the ended line`), await endedShown(page));
  }
  await checkOffline(page, server, engine.name);
}

// One engine's run with a server of its own (the offline check stops it).
async function runIn(name, golden) {
  pageError = null;
  const server = await serve(path.resolve(siteDir));
  const url = `http://127.0.0.1:${server.address().port}/`;
  let engine = null;
  try {
    // A desktop's window, wide enough for the canvas at one pixel per pixel.
    engine = await launchEngine(name, { viewport: kDesktop, limitMs: kLimitMs });
    if (name === 'chromium') {
      const page = await engine.newPage();
      page.setDefaultTimeout(kLimitMs);
      watchErrors(page);
      await page.goto(url, { waitUntil: 'load' });
      await checkManifest(page);
      await firstRun(page, golden);
      await secondRun(page);
      await phoneRun(engine.browser, url);
      // The page around the program (page_checks.mjs), with the helpers it uses.
      const helpers = { check, until, type, inputTaken, titleShown, showsScreen, giveReference, readPpm };
      const more = { loadGolden, drawnFrom, drawnDetail, watchDrawing, watchErrors, referenceDir, kLimitMs, kChromeFlags };
      await pageChecks(engine.browser, url, { ...helpers, ...more });
      await checkWorkers({ browser: engine.browser, siteDir, serve, check, titleShown, watchErrors });
      // Last: it stops the server.
      await checkOffline(page, server);
    } else {
      await coreRun(engine, url, server, golden);
      if (!pageError) check(`${name}: no error in the page`, true);
    }
  } catch (error) {
    const prefix = name === 'chromium' ? '' : `${name}: `;
    check(`${prefix}the browser test ran to its end`, false, error.stack || String(error));
  } finally {
    if (engine) await engine.close();
    server.close();
  }
}

checkSize();
const golden = loadGolden(path.join(referenceDir, 'golden.txt'));
for (const name of engines) {
  const started = Date.now();
  await runIn(name, golden);
  console.log(`${name}: ${((Date.now() - started) / 1000).toFixed(0)} s`);
}
console.log(`browser: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 && passed > 0 ? 0 : 1);
