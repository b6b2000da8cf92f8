// The service worker against the files of another build and beside another
// copy of the page on the same host, in Chromium. Three copies of the site
// are served under paths of one origin:
//   /a/      the site as built;
//   /b/      another build: its wasm differs (a custom section more) and its
//            worker is written anew by the build's own rule, so its files and
//            its cache differ from /a/'s;
//   /mixed/  the site with /b/'s wasm, as a deploy half done leaves it.
// Called by web_test.mjs with its browser and helpers.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const kHere = path.dirname(fileURLToPath(import.meta.url));
const kSourceDir = path.join(kHere, '..', '..', 'src', 'display', 'web');
const kLimitMs = 60000; // against a hang
// A custom section "build" with one byte: the module does the same, its
// bytes differ.
const kOtherSection = Buffer.from([0, 7, 5, ...Buffer.from('build'), 0x42]);

// The three copies in a new folder, which the caller removes.
function makeCopies(siteDir) {
  const origin = fs.mkdtempSync(path.join(os.tmpdir(), 'punktmuster-copies-'));
  const copy = (name) => {
    const dir = path.join(origin, name);
    fs.cpSync(siteDir, dir, { recursive: true });
    return dir;
  };
  copy('a');
  const other = copy('b');
  const wasm = path.join(other, 'punktmuster.wasm');
  fs.writeFileSync(wasm, Buffer.concat([fs.readFileSync(wasm), kOtherSection]));
  // The worker keeps every file of the site but itself.
  const files = fs.readdirSync(other).filter((name) => name !== 'service-worker.js');
  execFileSync('cmake', [
    `-DSITE=${other}`,
    `-DFILES=${files.join(',')}`,
    `-DTEMPLATE=${path.join(kSourceDir, 'service_worker.js')}`,
    `-DOUT=${path.join(other, 'service-worker.js')}`,
    '-P',
    path.join(kSourceDir, 'service_worker.cmake'),
  ]);
  fs.copyFileSync(wasm, path.join(copy('mixed'), 'punktmuster.wasm'));
  return origin;
}

// Registers the page's worker (or joins the page's own registration) and
// waits for it to end its install: 'activated', or 'redundant' when the
// install failed.
function installOutcome(page) {
  return page.evaluate(async (limitMs) => {
    const registration = await navigator.serviceWorker.register('service-worker.js');
    const worker = registration.installing || registration.waiting || registration.active;
    if (!worker) return 'no worker';
    return new Promise((resolve) => {
      const look = () => {
        if (worker.state === 'activated' || worker.state === 'redundant') resolve(worker.state);
      };
      worker.addEventListener('statechange', look);
      look();
      setTimeout(() => resolve(`still ${worker.state}`), limitMs);
    });
  }, kLimitMs);
}

export async function checkWorkers({ browser, siteDir, serve, check, titleShown, watchErrors }) {
  const origin = makeCopies(siteDir);
  const server = await serve(origin);
  const base = `http://127.0.0.1:${server.address().port}`;
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    page.setDefaultTimeout(kLimitMs);
    watchErrors(page);

    await page.goto(`${base}/mixed/`, { waitUntil: 'load' });
    check("a site with another build's wasm: the title", await titleShown(page));
    let outcome = await installOutcome(page);
    const refused = outcome === 'redundant';
    check("a site with another build's wasm does not install its worker", refused, outcome);

    for (const copy of ['a', 'b']) {
      await page.goto(`${base}/${copy}/`, { waitUntil: 'load' });
      check(`the copy at /${copy}/: the title`, await titleShown(page));
      outcome = await installOutcome(page);
      check(`the copy at /${copy}/ installs its worker`, outcome === 'activated', outcome);
    }
    server.close();
    server.closeAllConnections();
    await page.setOfflineMode(true);
    for (const copy of ['a', 'b']) {
      // Without its worker's files the browser shows its own error page.
      const shown = await page
        .goto(`${base}/${copy}/`, { waitUntil: 'load' })
        .then(() => titleShown(page))
        .catch(() => false);
      check(`offline, the copy at /${copy}/ starts beside the other`, shown);
    }
  } finally {
    await context.close();
    server.close();
    fs.rmSync(origin, { recursive: true, force: true });
  }
}
