// The page around the program, in Chromium: how the picture is scaled on a
// phone's screen, the key bar's keys given once per press and per activation
// without a pointer, and the examples row. Called by web_test.mjs, whose
// helpers it is handed (`t`).
//
// REFERENCE_DIR (web_test.sh) holds for these: the description screen
// (description.ppm), the count field after "1234", two Lefts and "x"
// (bar_keys.ppm), and the pixels of the fern typed as the examples row types
// it (example_fern.txt).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { pasteByEvent } from './engines.mjs';

const kWidth = 1030;
const kHeight = 630;
// A phone held upright, at two and at three device pixels per CSS pixel.
const kPhone = { width: 390, height: 844, isMobile: true, hasTouch: true };
const kDesktop = { width: 1280, height: 800 };
// Half the distinct pixels of the fern: enough points to judge.
const kFernPixels = 10000;

// The canvas's box photographed in device pixels, compared in the page with
// the canvas itself: `same` when the photograph is the canvas pixel for
// pixel; `foreign` counts its pixels of a colour the canvas does not hold.
async function photographCanvas(page) {
  const client = await page.createCDPSession();
  const shot = await client.send('Page.captureScreenshot', { format: 'png' });
  await client.detach();
  return page.evaluate(
    async (png, width, height) => {
      const ratio = window.devicePixelRatio;
      const box = document.getElementById('screen').getBoundingClientRect();
      const [left, top, right, bottom] = [box.left, box.top, box.right, box.bottom].map((css) =>
        Math.round(css * ratio),
      );
      const blob = await (await fetch(`data:image/png;base64,${png}`)).blob();
      const options = { colorSpaceConversion: 'none', premultiplyAlpha: 'none' };
      const bitmap = await createImageBitmap(blob, options);
      const photo = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
      photo.drawImage(bitmap, 0, 0);
      const seen = photo.getImageData(left, top, right - left, bottom - top).data;
      const canvas = document.getElementById('screen');
      const screen = canvas.getContext('2d').getImageData(0, 0, width, height).data;
      const colours = new Set();
      for (let i = 0; i < screen.length; i += 4) {
        colours.add((screen[i] << 16) | (screen[i + 1] << 8) | screen[i + 2]);
      }
      let foreign = 0;
      let differing = 0;
      for (let i = 0; i < seen.length; i += 4) {
        if (!colours.has((seen[i] << 16) | (seen[i + 1] << 8) | seen[i + 2])) foreign++;
        const other = seen[i] !== screen[i] || seen[i + 1] !== screen[i + 1] || seen[i + 2] !== screen[i + 2];
        if (seen.length === screen.length && other) differing++;
      }
      const size = { width: right - left, height: bottom - top };
      const same = size.width === width && size.height === height && differing === 0;
      return { ...size, same, differing, foreign };
    },
    shot.data,
    kWidth,
    kHeight,
  );
}

async function openAt(browser, url, viewport, t) {
  const page = await browser.newPage();
  page.setDefaultTimeout(t.kLimitMs);
  t.watchErrors(page);
  await page.setViewport(viewport);
  await page.goto(url, { waitUntil: 'load' });
  const name = `${viewport.width} px at scale ${viewport.deviceScaleFactor || 1}`;
  if (!t.check(`${name}: title screen`, await t.titleShown(page))) {
    throw new Error('no title screen');
  }
  await t.giveReference(page, 'description', t.readPpm(path.join(t.referenceDir, 'description.ppm')));
  const shown = await t.showsScreen(page, 'description');
  if (!t.check(`${name}: description screen`, shown.ok, shown.detail)) {
    throw new Error('no description screen');
  }
  return page;
}

function photoDetail(photo) {
  return (
    `photographed ${photo.width} x ${photo.height}, ${photo.differing} pixels differ, ` +
    `${photo.foreign} of colours the canvas lacks`
  );
}

// A browser whose screen has `ratio` device pixels per CSS pixel. An
// emulated ratio (a viewport's deviceScaleFactor alone) draws the page at
// it, but photographs it in CSS pixels, or resampled where a clip asks for
// device pixels; a browser started at the ratio photographs what it shows.
async function withBrowserAt(ratio, t, run) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'punktmuster-scale-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: [...t.kChromeFlags, `--force-device-scale-factor=${ratio}`],
    protocolTimeout: t.kLimitMs * 2,
  });
  try {
    await run(browser);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

// Narrower than the canvas in device pixels, the picture is scaled down
// smoothly: blended colours, where dropping columns would only repeat the
// canvas's own. With at least as many, each canvas pixel is a whole number
// of device pixels: here one, the photograph the canvas itself.
async function checkScale(url, t) {
  await withBrowserAt(2, t, async (browser) => {
    const page = await openAt(browser, url, { ...kPhone, deviceScaleFactor: 2 }, t);
    const photo = await photographCanvas(page);
    const name = 'phone at scale 2: the picture scaled down smoothly, no column dropped';
    t.check(name, photo.foreign > 0, photoDetail(photo));
    await checkKeyBar(page, t);
  });
  await withBrowserAt(3, t, async (browser) => {
    const page = await openAt(browser, url, { ...kPhone, deviceScaleFactor: 3 }, t);
    const photo = await photographCanvas(page);
    const name = 'phone at scale 3: one device pixel per canvas pixel, exactly the canvas';
    t.check(name, photo.same, photoDetail(photo));
  });
}

// At the pair count: "1234" goes in before the offered 3, the cursor stays on
// the 3; a tap on the key bar's Left and the same button pressed with Enter
// (an activation without a pointer) move it back two places, where the "x"
// goes. A key given twice, or not at all, puts the x elsewhere.
async function checkKeyBar(page, t) {
  await t.giveReference(page, 'bar_keys', t.readPpm(path.join(t.referenceDir, 'bar_keys.ppm')));
  await t.type(page, '1234');
  const left = '#keybar button[data-key="ArrowLeft"]';
  await page.tap(left);
  if (!(await t.inputTaken(page))) throw new Error('the program did not take the tapped Left');
  await page.focus(left);
  await page.keyboard.press('Enter');
  if (!(await t.inputTaken(page))) throw new Error('the program did not take the pressed Left');
  await t.type(page, 'x');
  const shown = await t.showsScreen(page, 'bar_keys');
  const name = 'key bar: a tap and an activation without a pointer give the key once each';
  t.check(name, shown.ok, shown.detail);
}

function examplesEnabled(page) {
  return page.evaluate(() =>
    Array.from(document.querySelectorAll('#examples button')).map((button) => !button.disabled),
  );
}

// The fern's button at the pair count types the recipe; the drawing is the
// one the headless surface draws for the same keys. The buttons wait while
// the program is elsewhere, and are there again at the next pair count.
async function checkExample(browser, url, t) {
  const page = await openAt(browser, url, kDesktop, t);
  const fern = await page.evaluateHandle(() =>
    Array.from(document.querySelectorAll('#examples button')).find((b) => b.textContent === 'Farn'),
  );
  if (!t.check('the examples row has the fern', await fern.evaluate((button) => !!button))) {
    await page.close();
    return;
  }
  const ready = await t.until(async () => (await examplesEnabled(page)).every(Boolean));
  t.check('at the pair count the examples can be pressed', ready);
  await t.watchDrawing(page);
  await fern.click();
  const allowed = t.loadGolden(path.join(t.referenceDir, 'example_fern.txt'));
  const drawing = await t.drawnFrom(page, allowed, Math.min(kFernPixels, allowed.size / 2));
  const drawn = drawing.begun && drawing.wrong.length === 0;
  t.check('the fern button draws the headless fern', drawn, t.drawnDetail(drawing));
  const during = await examplesEnabled(page);
  const waiting = during.every((enabled) => !enabled);
  t.check('during the drawing the examples wait', waiting, JSON.stringify(during));
  await t.until(() => page.evaluate(() => window.drawingWatch.back !== null));
  const again = await t.until(async () => (await examplesEnabled(page)).every(Boolean));
  t.check('at the next pair count the examples can be pressed again', again);
  await page.close();
}

// At the pair count, input that gives the program nothing holds nothing up;
// the browser's own keys are neither prevented (a listener after the page's
// looks, and keeps them from the browser) nor handed over (End, the last
// key, is the one wait of the program noted).
async function checkNothingHeld(browser, url, t) {
  const page = await openAt(browser, url, kDesktop, t);
  const allEnabled = async () => (await examplesEnabled(page)).every(Boolean);
  await t.until(allEnabled);
  const rows = { Tab: () => page.keyboard.press('Tab'), 'a paste of 日本語': () => pasteByEvent(page, '日本語') };
  for (const [name, give] of Object.entries(rows)) {
    await give();
    t.check(`after ${name} at the pair count the examples can be pressed`, await t.until(allEnabled));
  }
  await page.evaluate(() => {
    const seen = (window.seen = { waits: [], prevented: [] });
    const page = window.punktmuster.program.page;
    const waits = page.waits;
    page.waits = (prompt, field) => {
      seen.waits.push(prompt);
      waits(prompt, field);
    };
    window.addEventListener('keydown', (event) => {
      if (event.defaultPrevented) seen.prevented.push(event.key);
      event.preventDefault();
    });
  });
  for (const chord of [['F5'], ['Control', 'r'], ['Shift', 'Insert'], ['End']]) {
    for (const key of chord) await page.keyboard.down(key);
    for (const key of chord.reverse()) await page.keyboard.up(key);
  }
  await t.inputTaken(page);
  const seen = await page.evaluate(() => JSON.stringify(window.seen));
  const only = seen === '{"waits":["Zahl der Funktionenpaare: "],"prevented":["End"]}';
  t.check("F5, Ctrl+R and Shift+Insert stay the browser's", only, seen);
  const client = await page.createCDPSession();
  await client.send('Input.imeSetComposition', { text: 'ж', selectionStart: 1, selectionEnd: 1 });
  const box = await (await page.$('#screen')).boundingBox();
  await page.mouse.click(box.x + 100, box.y + 100); // a row above the pair count's
  const taken = await t.until(() => page.evaluate(() => window.seen.waits.at(-1).includes('1.Term')));
  t.check('a tap behind a composed ж that the program cannot hold is taken at the tap', taken);
  await page.close();
}

export async function pageChecks(browser, url, t) {
  await checkScale(url, t);
  await checkExample(browser, url, t);
  await checkNothingHeld(browser, url, t);
}
