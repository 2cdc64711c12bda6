// The browser store in Chromium: the store check passes on a fresh profile, and a storage that
// throws (a full quota, a private window) is a failure said with the browser's message, not a crash.
// Usage: node store_check.mjs BUILD_WEB_OBJ_DIR   (the folder holding brinvale-store-check.js)
import { createServer } from 'node:http';
import { readFile, mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchChromium } from './engines.mjs';

const root = resolve(process.argv[2] || 'build-web/obj');
const page = `<!doctype html><meta charset="utf-8"><pre id="log"></pre><script>
var Module = {print: (t) => { document.getElementById("log").textContent += t + "\\n"; }, printErr: (t) => Module.print(t)};
</script><script src="brinvale-store-check.js"></script>`;
const types = { '.js': 'text/javascript', '.wasm': 'application/wasm' };

const server = await new Promise((done) => {
  const s = createServer(async (request, response) => {
    const name = new URL(request.url, 'http://x').pathname.slice(1);
    if (name === '' || name === 'check.html') { response.writeHead(200, { 'Content-Type': 'text/html' }).end(page); return; }
    if (!/^brinvale-store-check\.(js|wasm)$/.test(name)) { response.writeHead(404).end(); return; }
    try {
      response.writeHead(200, { 'Content-Type': types[name.slice(name.lastIndexOf('.'))] }).end(await readFile(join(root, name)));
    } catch { response.writeHead(404).end(); }
  });
  s.listen(0, '127.0.0.1', () => done(s));
});
const url = `http://127.0.0.1:${server.address().port}/check.html`;
const home = await mkdtemp(join(tmpdir(), 'brinvale-store-'));
const browser = await launchChromium(home);
let failed = 0;
const expect = (ok, what) => { console.log((ok ? 'ok   ' : 'FAIL ') + what); if (!ok) failed++; };

// Runs the check in a fresh context; its output once it ends, the page's uncaught errors, its items.
async function run(initScript) {
  const context = await browser.newContext();
  const tab = await context.newPage();
  const errors = [];
  tab.on('pageerror', (e) => errors.push(String(e)));
  if (initScript) await tab.addInitScript(initScript);
  await tab.goto(url);
  await tab.waitForFunction(() => /store check passed|failed: last replace/.test(document.getElementById('log').textContent), null, { timeout: 20000 })
    .catch(() => {});
  const text = await tab.evaluate(() => document.getElementById('log').textContent);
  const items = await tab.evaluate(() => { try { return Object.assign({}, localStorage); } catch { return {}; } });
  await context.close();
  return { text, errors, items };
}

try {
  const fresh = await run();
  expect(fresh.text.includes('store check passed'), 'the store check passes: ' + JSON.stringify(fresh.text));
  expect(fresh.items['brinvale/game'] === 'brinvale store check\n', 'brinvale/game holds the last record');
  expect(Object.keys(fresh.items).filter((k) => k.startsWith('brinvale/game.aside/check-')).length === 2,
         'both set-asides kept: ' + Object.keys(fresh.items).join(' '));

  const full = await run(() => {
    Storage.prototype.setItem = function () { throw new DOMException('the quota is full', 'QuotaExceededError'); };
  });
  expect(full.errors.length === 0, 'a throwing storage raises nothing uncaught: ' + full.errors.join('; '));
  expect(full.text.includes("brinvale: cannot save the game in progress: the browser's storage (brinvale/game): the quota is full\n"),
         'the failure is said with the browser\'s message: ' + JSON.stringify(full.text));
  expect(full.text.includes('failed: last replace'), 'the check ran to its end');
} finally {
  await browser.close();
  server.close();
  await rm(home, { recursive: true, force: true });
}
console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
