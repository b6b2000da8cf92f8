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

// The site's worker in `dir` written anew by the build's rule, for the files
// the one there keeps, in its order.
function writeWorker(dir, template = path.join(kSourceDir, 'service_worker.js')) {
  const out = path.join(dir, 'service-worker.js');
  const files = [...fs.readFileSync(out, 'utf8').matchAll(/\['([^'/]+)', 'sha256-/g)].map((m) => m[1]);
  const rule = path.join(kSourceDir, 'service_worker.cmake');
  execFileSync('cmake', [`-DSITE=${dir}`, `-DFILES=${files}`, `-DTEMPLATE=${template}`, `-DOUT=${out}`, '-P', rule]);
}

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
  writeWorker(other);
  fs.copyFileSync(wasm, path.join(copy('mixed'), 'punktmuster.wasm'));
  return origin;
}

// Registers the page's worker (or joins the page's own registration), or
// with `update` looks for a newer one, and waits for it to end its install:
// 'activated', or 'redundant' when the install failed.
function installOutcome(page, update = false) {
  return page.evaluate(async (limitMs, update) => {
    const registration = await navigator.serviceWorker.register('service-worker.js');
    const found = new Promise((resolve) => registration.addEventListener('updatefound', resolve));
    if (update) await Promise.all([registration.update(), found]);
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
  }, kLimitMs, update);
}

const cacheNames = (page) => page.evaluate(async () => (await caches.keys()).join(' '));

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
    // A release of /a/ that changes only the worker, whose install meets a
    // file of another build: the worker before keeps its cache whole.
    const before = await cacheNames(page);
    const template = path.join(origin, 'changed_worker.js');
    fs.writeFileSync(template, `${fs.readFileSync(path.join(kSourceDir, 'service_worker.js'))}\n//\n`);
    writeWorker(path.join(origin, 'a'), template);
    fs.appendFileSync(path.join(origin, 'a', 'manifest.webmanifest'), ' ');
    await page.goto(`${base}/a/`, { waitUntil: 'load' });
    outcome = await installOutcome(page, true);
    const after = await cacheNames(page);
    const kept = outcome === 'redundant' && after === before;
    check('a failed update of the worker alone leaves every cache', kept, `${outcome}: ${before} -> ${after}`);
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
