// Opens WORK_DIR/page.html in the system's Chromium (headless, WebGL on SwiftShader), waits for
// brinvale-scenes to finish and writes the four PNG frames it left in the page into WORK_DIR/web/.
// Usage: node frames.mjs WORK_DIR   (exit 1, with the reason, when the page failed)
import { writeFile, mkdtemp, rm } from 'node:fs/promises';
import { join, resolve } from 'node:path';
import { tmpdir } from 'node:os';
import { chromium } from 'playwright-core';

const work = resolve(process.argv[2]);
const profile = await mkdtemp(join(tmpdir(), 'brinvale-gl1-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.BRINVALE_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
let failure = null;
try {
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
  await browser.close();
  await rm(profile, { recursive: true, force: true });
}
if (failure) {
  console.error(failure);
  process.exit(1);
}
