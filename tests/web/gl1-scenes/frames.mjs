// Opens WORK_DIR/page.html in the system's Chromium (headless, WebGL on SwiftShader), waits for
// brinvale-scenes to finish and writes the four PNG frames it left in the page into WORK_DIR/web/.
// Usage: node frames.mjs WORK_DIR   (exit 1, with the reason, when the page failed)
import { writeFile, mkdtemp, rm } from 'node:fs/promises';
import { join, resolve } from 'node:path';
import { tmpdir } from 'node:os';
import { chromium } from 'playwright-core';

const work = resolve(process.argv[2]);
// Stopped from outside, it still ends its browser (playwright's own exit hook).
for (const [signal, number] of [['SIGINT', 2], ['SIGTERM', 15], ['SIGHUP', 1]])
  process.on(signal, () => process.exit(128 + number));
const profile = await mkdtemp(join(tmpdir(), 'brinvale-gl1-'));
let browser = null;
let failure = null;
try {
  browser = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.BRINVALE_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto('file://' + join(work, 'page.html'));
  // Generous: on a loaded machine compiling and drawing can take a while.
  await page.waitForSelector('#done', { state: 'attached', timeout: 90000 });
  const frames = await page.evaluate(() => Object.fromEntries(
    ['menu-new', 'menu-quit', 'play', 'paused', 'game-over'].map((n) => [n, document.getElementById(n).textContent])));
  errors.push(...await page.evaluate(() => [...document.querySelectorAll('pre.stderr')].map((p) => p.textContent)));
  if (errors.length) failure = 'the page reported errors: ' + errors.join(' | ');
  for (const [name, base64] of Object.entries(frames)) {
    if (base64 === 'missing') failure = failure || `${name}: no frame from the page`;
    else await writeFile(join(work, 'web', name + '.png'), Buffer.from(base64, 'base64'));
  }
} catch (error) {
  failure = error.message || String(error);
} finally {
  // A browser that will not close is not waited for: the exit below ends it.
  if (browser) await Promise.race([browser.close().catch(() => {}), new Promise((r) => setTimeout(r, 10000))]);
  await rm(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
}
if (failure) console.error(failure);
process.exit(failure ? 1 : 0);
