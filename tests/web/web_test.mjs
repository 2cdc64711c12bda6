// The web build in the system's Chromium, Firefox ESR and WebKitGTK, one set of checks through a small
// driver per engine (engines.mjs); touch is emulated in Chromium alone, which also runs the phone checks.
// Usage: node web_test.mjs BUILD_WEB_DIR [chromium] [firefox] [webkit]   (all three when none is named)
// Serves the folder on a private port, plays through the menu, play, pause and quit, judges screenshots
// at positions projected from the scene, prints the figures of the build and "N passed, N failed".
import { createServer } from 'node:http';
import { readFile, mkdtemp, rm, writeFile, mkdir } from 'node:fs/promises';
import { existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, extname, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import { engines, launchChromium, playwrightDriver, startFailure, startXvfb } from './engines.mjs';

const root = resolve(process.argv[2] || 'build-web');
const artefacts = join(root, 'test-artefacts');
const gameFiles = ['brinvale.js', 'brinvale.wasm', 'brinvale.data'];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// ---------------------------------------------------------------- scene geometry

// The game's 45-degree perspective, as tests/e2e/e2e.py `project` computes it: the screen position
// of a scene point, in a view of left, top, width, height (here the canvas on the page).
const TAN_HALF_FOV = Math.tan((22.5 * Math.PI) / 180);
function project(x, y, z, view) {
  const [left, top, w, h] = view;
  const ndcX = x / (-z * TAN_HALF_FOV * w / h);
  const ndcY = y / (-z * TAN_HALF_FOV);
  return [Math.round(left + (ndcX + 1) * w / 2), Math.round(top + (1 - ndcY) * h / 2)];
}
const cell = (column, row, view) => project(2 * column - 19, 15 - 2 * row, -40, view);
const isDark = (colour, tolerance = 10) => Math.max(...colour) <= tolerance;
const distance = (a, b) => Math.max(...a.map((v, i) => Math.abs(v - b[i])));

// ---------------------------------------------------------------- the page

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream', '.png': 'image/png',
                '.webmanifest': 'application/manifest+json' };

// Put into the served page ahead of its own scripts: the uncaught errors, failed promises and console
// errors of every engine (WebKitWebDriver reports none itself), in sessionStorage, which reloads keep.
const errorCollector = `<script>(function() {
  var keep = function(text) {
    try {
      var kept = JSON.parse(sessionStorage.getItem('brinvale-test-errors') || '[]');
      kept.push(String(text));
      sessionStorage.setItem('brinvale-test-errors', JSON.stringify(kept));
    } catch (e) {}
  };
  addEventListener('error', function(e) { keep(e.message || 'an error with no message'); });
  addEventListener('unhandledrejection', function(e) { keep('unhandled rejection: ' + (e.reason && e.reason.message || e.reason)); });
  var consoleError = console.error;
  console.error = function() { keep(Array.prototype.join.call(arguments, ' ')); return consoleError.apply(console, arguments); };
  // Every call that draws or clears, so that a still picture can be seen to cost no GL call at all.
  window.brinvaleGlCalls = 0;
  ['clear', 'drawArrays', 'drawElements'].forEach(function(name) {
    var own = WebGLRenderingContext.prototype[name];
    WebGLRenderingContext.prototype[name] = function() { window.brinvaleGlCalls++; return own.apply(this, arguments); };
  });
})();</script>`;

function serve() {
  const server = createServer(async (request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    if (name.includes('..')) { response.writeHead(403).end(); return; }
    try {
      let body = await readFile(join(root, name));
      if (name === 'index.html') {
        const page = body.toString();
        const at = page.indexOf('<meta charset="utf-8">');
        if (at < 0) throw new Error('index.html has no <meta charset="utf-8"> to put the error collector after');
        body = page.slice(0, at + 22) + errorCollector + page.slice(at + 22);
      }
      response.writeHead(200, { 'Content-Type': types[extname(name)] || 'application/octet-stream' }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

const scene = (page) => page.evaluate(() => (window.Module && Module.page) ? { ...Module.page } : { frames: 0 });

// Polls fn(arg) in the page until it holds; a page between two documents answers on the next poll.
async function waitFor(page, fn, arg, what, timeout = 10000) {
  const end = Date.now() + timeout;
  for (;;) {
    try {
      if (await page.evaluate(fn, arg)) return;
    } catch (error) {
      if (Date.now() > end) throw error;
    }
    if (Date.now() > end) throw new Error(`no ${what} within ${timeout} ms`);
    if (page.run.abandoned) throw new Error('the run was given up');
    await sleep(50);
  }
}

const waitScene = (page, name, timeout = 10000) =>
  waitFor(page, (n) => window.Module && Module.page && Module.page.scene === n, name, `${name} scene`, timeout);

// A key held long enough for a pass of the loop to see it down.
async function press(page, key, hold = 120) {
  await page.keyDown(key);
  await sleep(hold);
  await page.keyUp(key);
}

async function canvasView(page) {
  return page.evaluate(() => {
    const box = document.getElementById('canvas').getBoundingClientRect();
    return [box.x, box.y, box.width, box.height];
  });
}

// The canvas once the picture fills it: a change of layout (the keys line shown after the first key in
// a browser with no fine pointer) resizes the drawing buffer only on the next frames drawn.
async function settledView(page) {
  await page.evaluate(() => { window.settledFrom = undefined; });
  await waitFor(page, () => {
    const canvas = document.getElementById('canvas');
    const ratio = window.devicePixelRatio || 1;
    const fits = canvas.width === Math.round(canvas.clientWidth * ratio) &&
                 canvas.height === Math.round(canvas.clientHeight * ratio);
    if (!fits) window.settledFrom = undefined;
    else if (window.settledFrom === undefined) window.settledFrom = Module.page.frames;
    return fits && Module.page.frames >= window.settledFrom + 2;
  }, null, 'drawing buffer of the canvas\'s size');
  return canvasView(page);
}

// A screenshot, kept among the artefacts, and the mean colours of squares around the given points;
// the browser itself decodes the picture.
async function sample(page, name, points) {
  const png = await page.screenshot(join(page.run.artefacts, name + '.png'));
  return page.evaluate(async ([data, points]) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + data;
    await image.decode();
    const c = document.createElement('canvas');
    c.width = image.width;
    c.height = image.height;
    const g = c.getContext('2d');
    g.drawImage(image, 0, 0);
    return points.map(([x, y, half]) => {
      const d = g.getImageData(x - half, y - half, 2 * half + 1, 2 * half + 1).data;
      const sum = [0, 0, 0];
      for (let i = 0; i < d.length; i += 4) for (let k = 0; k < 3; k++) sum[k] += d[i + k];
      return sum.map((s) => s / (d.length / 4));
    });
  }, [png.toString('base64'), points]);
}

// None when the menu shows both buttons with the selected one nearer (tests/e2e/e2e.py menu_problem).
async function menuProblem(page, name, view) {
  const points = [[...project(0, 2.2, -7, view), 3], [...project(0, -0.8, -9, view), 3],
                  [...project(1.85, 1.5, -7, view), 1], [...project(1.85, -1.5, -7, view), 1],
                  [...project(0, 2.75, -7, view), 3]];
  const [selected, other, nearEdge, farEdge, above] = await sample(page, name, points);
  if (isDark(selected)) return 'no new-game button at ' + points[0].slice(0, 2);
  if (isDark(other)) return 'no quit button at ' + points[1].slice(0, 2);
  if (isDark(nearEdge)) return 'the selected button is not the nearer one';
  if (!isDark(farEdge)) return 'the other button is as near as the selected one';
  if (!isDark(above)) return 'something drawn above the buttons';
  return null;
}

// The mean colours of the well's top rows, column by column.
async function wellTop(page, name, view) {
  const points = [];
  for (let column = 0; column < 8; column++) for (let row = 0; row < 4; row++) points.push([...cell(column, row, view), 3]);
  const means = await sample(page, name, points);
  return Array.from({ length: 8 }, (_, column) => means.slice(4 * column, 4 * column + 4));
}

// ---------------------------------------------------------------- key sequences

// The key messages of the message model, as the page records them (Module.page.keys).
const KEY_DOWN = 0x100, KEY_UP = 0x101, SYS_DOWN = 0x104, SYS_UP = 0x105;
// Each sequence: what the player and the desktop do (a key down or up, the window losing or
// regaining the focus) and the key messages the game must be given.
const keySequences = [
  ['a key alone', [['down', 'ArrowDown'], ['up', 'ArrowDown']], [[KEY_DOWN, 40], [KEY_UP, 40]]],
  ['released with Alt held, as Alt+Tab does',
   [['down', 'ArrowDown'], ['down', 'Alt'], ['up', 'ArrowDown'], ['up', 'Alt']],
   [[KEY_DOWN, 40], [SYS_DOWN, 18], [KEY_UP, 40], [SYS_UP, 18]]],
  ['auto-repeat goes on with Alt held, then the key is released',
   [['down', 'ArrowDown'], ['down', 'Alt'], ['down', 'ArrowDown'], ['up', 'ArrowDown'], ['up', 'Alt']],
   [[KEY_DOWN, 40], [SYS_DOWN, 18], [SYS_DOWN, 40], [KEY_UP, 40], [SYS_UP, 18]]],
  ['focus lost with no key-up, and the key-up after the focus came back',
   [['down', 'ArrowLeft'], ['down', 'Control'], ['blur'], ['focus'], ['up', 'ArrowLeft'], ['up', 'Control']],
   [[KEY_DOWN, 37], [KEY_DOWN, 17], [KEY_UP, 17], [KEY_UP, 37], [SYS_UP, 37], [SYS_UP, 17]]],
  ['a key pressed with Alt is a system key and released after Alt',
   [['down', 'Alt'], ['down', 'ArrowLeft'], ['up', 'Alt'], ['up', 'ArrowLeft']],
   [[SYS_DOWN, 18], [SYS_DOWN, 37], [SYS_UP, 18], [SYS_UP, 37]]],
  ['Alt+F4 and F10 reach the game as no key',
   [['down', 'Alt'], ['down', 'F4'], ['up', 'F4'], ['up', 'Alt'], ['down', 'F10'], ['up', 'F10']],
   [[SYS_DOWN, 18], [SYS_DOWN, 115], [SYS_UP, 115], [SYS_UP, 18], [SYS_DOWN, 121], [SYS_UP, 121]]],
];

// Runs every sequence; a list of what went wrong, or null. A driver that cannot repeat a held key
// (WebKitGTK's drops a second key-down) skips the sequences that need one.
async function keySequenceProblems(page) {
  const problems = [];
  for (const [name, actions, expected] of keySequences) {
    const repeats = actions.some(([action, key], i) => action === 'down' &&
      actions.slice(0, i).filter(([, k]) => k === key).map(([a]) => a).pop() === 'down');
    if (repeats && page.repeatsKeys === false) continue;
    await page.evaluate(() => { Module.page.keys = []; });
    for (const [action, key] of actions) {
      if (action === 'down') await page.keyDown(key);
      else if (action === 'up') await page.keyUp(key);
      else await page.evaluate((type) => window.dispatchEvent(new Event(type)), action);
    }
    await sleep(50);
    const got = await page.evaluate(() => Module.page.keys || []);
    if (JSON.stringify(got) !== JSON.stringify(expected)) {
      problems.push(`${name}: got ${JSON.stringify(got)}`);
      continue;
    }
    // The game's own record: a key message sets its flag, a key-up clears it; system keys are not recorded.
    const down = new Set();
    for (const [message, code] of got) {
      if (message === KEY_DOWN) down.add(code);
      if (message === KEY_UP) down.delete(code);
    }
    if (down.size) problems.push(`${name}: keys left down ${[...down].join(',')}`);
  }
  return problems.length ? problems.join('; ') : null;
}

// ---------------------------------------------------------------- the browser's own faults

// The GL context taken away by the browser and given back: the menu must come back as it was.
async function contextLostAndRestored(page, view) {
  const lost = await page.evaluate(async () => {
    const gl = document.getElementById('canvas').getContext('webgl');
    const lose = gl && gl.getExtension('WEBGL_lose_context');
    if (!lose) return 'no WEBGL_lose_context';
    lose.loseContext();
    await new Promise((r) => setTimeout(r, 300));
    if (!gl.isContextLost()) return 'the context was not lost';
    // Counted before the restore, which an engine may deliver at once.
    window.framesBeforeRestore = Module.page.frames;
    lose.restoreContext();
    return null;
  });
  if (lost) return lost;
  const before = await page.evaluate(() => window.framesBeforeRestore);
  // The game draws only what changed: the restored context gets the menu's frame again.
  await waitFor(page, (n) => Module.page.frames > n, before, 'frame on the restored context', 5000);
  await sleep(200);
  return menuProblem(page, 'menu-restored', view);
}

// A pad, faked behind navigator.getGamepads, whose D-pad left is pressed and which is then unplugged
// with the button still down: one place left, and no repeat of a key the pad no longer holds.
async function padMovesTheColumn(page, view) {
  await page.evaluate(() => {
    const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
    window.fakePad = { id: 'fake pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
                       axes: [0, 0, 0, 0], buttons };
    Object.defineProperty(navigator, 'getGamepads', { configurable: true, value: () => [window.fakePad, null, null, null] });
  });
  await sleep(100);
  const before = await wellTop(page, 'pad-before', view);
  await page.evaluate(() => { fakePad.buttons[14] = { pressed: true, touched: true, value: 1 }; });
  await sleep(150);
  await page.evaluate(() => { fakePad.connected = false; });
  // Past the held arrow's first repeat, 500 ms after the press.
  await sleep(700);
  const after = await wellTop(page, 'pad-left', view);
  const changed = after.map((rows, c) => rows.some((colour, row) => distance(colour, before[c][row]) > 24));
  // The keyboard's Left left the column in column 2; the pad's takes it to column 1.
  const expected = [false, true, true, false, false, false, false, false];
  if (changed.join() !== expected.join()) return 'columns that changed: ' + changed.map((c, i) => c ? i : '').filter(String).join(',');
  return null;
}

// The page hidden (another tab in front) and shown again, as the browser tells it: play pauses at
// once, the page shown again has the paused view, and the column stays until P.
async function hiddenPagePauses(page, view) {
  const setHidden = (hidden) => page.evaluate((h) => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (h ? 'hidden' : 'visible') });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  const before = await wellRows(page, 'before-hidden', view);
  await setHidden(true);
  await sleep(2200);
  await setHidden(false);
  await sleep(1500);
  const shown = (await scene(page)).scene;
  const moved = changedColumns(before, await wellRows(page, 'shown-again', view));
  if (shown !== 'paused') return `the page shown again shows "${shown}", not the paused view`;
  if (moved) return `the column moved while the page was hidden or after (columns ${moved})`;
  await press(page, 'p');
  await sleep(1400);
  const resumed = (await scene(page)).scene;
  return resumed === 'play' ? null : `P after the hidden page shows "${resumed}", not play`;
}

// A page reloaded in play, as a discarded tab comes back, opens on the same board, paused; P plays on.
async function reloadedPageComesBack(page) {
  await press(page, 'p');
  await sleep(300);
  const view = await canvasView(page);
  const before = await wellRows(page, 'before-reload', view);
  const kept = await page.evaluate(() => { try { return localStorage.getItem('brinvale/game'); } catch (e) { return String(e); } });
  if (!kept || !kept.startsWith('brinvale game 1')) return `the page keeps no game in progress (${kept})`;
  await page.reload();
  await waitScene(page, 'paused', 15000);
  await sleep(300);
  const moved = changedColumns(before, await wellRows(page, 'reloaded', await canvasView(page)));
  if (moved) return `the reloaded page shows another board (columns ${moved} differ)`;
  await press(page, 'p');
  await sleep(300);
  const resumed = (await scene(page)).scene;
  return resumed === 'play' ? null : `P after the reload shows "${resumed}", not play`;
}

// A resize while paused keeps the last picture.
async function pausedResize(page) {
  const [width, height] = page.run.viewport;
  await press(page, 'p');
  await sleep(200);
  await page.setViewport(Math.round(width * 7 / 9), Math.round(height * 500 / 632));
  await sleep(300);
  const small = await canvasView(page);
  const [background] = await sample(page, 'paused-resized', [[...cell(0, 6, small), 6]]);
  await page.setViewport(width, height);
  await press(page, 'p');
  await sleep(300);
  if (isDark(background, 4)) return 'the picture went black when the page was resized while paused';
  return null;
}

// A resize handler that changes the layout, as the game's does when it fits the canvas to the stage:
// the page's observer of the stage must hand the game the resize outside its own callback, or the
// browser reports a ResizeObserver loop (WebKitGTK did, now and then, as its window changed size).
async function resizeOutsideTheObserver(page) {
  const [handled, errors] = await page.evaluate(async () => {
    const stage = document.getElementById('stage'), bar = document.getElementById('bar');
    const errors = [];
    let handled = 0;
    const onError = (e) => errors.push(e.message);
    const onResize = (e) => { if (!e.isTrusted && !handled++) stage.style.paddingTop = '2px'; };
    addEventListener('error', onError);
    addEventListener('resize', onResize, true);
    bar.style.minHeight = bar.offsetHeight + 20 + 'px';
    await new Promise((r) => setTimeout(r, 300));
    bar.style.minHeight = stage.style.paddingTop = '';
    await new Promise((r) => setTimeout(r, 300));
    removeEventListener('error', onError);
    removeEventListener('resize', onResize, true);
    return [handled, errors];
  });
  if (!handled) return 'the game was told of no resize when the stage changed size';
  return errors.length ? errors.join(' | ') : null;
}

// A change of pixel ratio alone resizes the drawing buffer, and the viewport is the buffer the
// browser grants, which may be less than asked: here it grants at most 1000 pixels a side.
// WebKitGTK's driver cannot change the ratio.
async function pixelRatioFollowed(page) {
  await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const gl = canvas.getContext('webgl');
    for (const [name, side] of [['drawingBufferWidth', 'width'], ['drawingBufferHeight', 'height']])
      Object.defineProperty(gl, name, { configurable: true, get: () => Math.min(canvas[side], 1000) });
  });
  await page.setPixelRatio(2);
  await sleep(400);
  const [width, height, viewport, shown] = await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const gl = canvas.getContext('webgl');
    const sizes = [canvas.width, canvas.height, Array.from(gl.getParameter(gl.VIEWPORT)), canvas.clientWidth];
    delete gl.drawingBufferWidth;
    delete gl.drawingBufferHeight;
    return sizes;
  });
  await page.setPixelRatio(1);
  await sleep(300);
  // 800 x 600 CSS pixels at ratio 2 asks for 1600 x 1200; the grant keeps 4:3 at 1000 x 750 (999 or
  // 1000 wide for a canvas a little smaller, as in Firefox, whose bar is taller).
  if (width === shown) return 'the drawing buffer did not follow the pixel ratio';
  if (width < 999 || width > 1000 || Math.abs(width * 3 - height * 4) > 4) return `canvas ${width}x${height}, not the 4:3 box of the 1000 pixels granted`;
  if (viewport.join() !== `0,0,${width},${height}`) return `viewport ${viewport.join(',')} for a ${width}x${height} buffer`;
  return null;
}

// With the server gone, a reload comes from the service worker's cache and reaches the menu.
async function offlineReload(page, stopServer, figures) {
  const cached = await page.evaluate(async () => {
    for (let i = 0; i < 100; i++) {
      const name = (await caches.keys()).find((n) => n.startsWith('brinvale-'));
      if (name && (await (await caches.open(name)).keys()).length >= 8 && navigator.serviceWorker.controller) return true;
      await new Promise((r) => setTimeout(r, 100));
    }
    return false;
  });
  if (!cached) return 'the service worker did not cache the build';
  await stopServer();
  await page.reload();
  await waitScene(page, 'menu');
  figures.push(`page load to the first menu frame, reloaded from the service worker with the server stopped: ${Math.round((await scene(page)).firstMenuFrameAt)} ms`);
  return menuProblem(page, 'menu-offline', await canvasView(page));
}

// ---------------------------------------------------------------- the run

const results = [];
function record(name, problem) {
  results.push([name, problem]);
  console.log((problem ? 'FAIL ' : 'ok   ') + name + (problem ? ': ' + problem : ''));
}

// A check in one engine, under the engine's name; a run given up as too slow records nothing more.
function recordIn(run, name, problem) {
  if (!run.abandoned) record(`${run.engine}: ${name}`, problem);
}

async function step(run, name, body) {
  try {
    recordIn(run, name, await body());
  } catch (error) {
    recordIn(run, name, String(error.message || error).split('\n')[0]);
  }
}

// What the page collected (errorCollector) and what the driver heard, each once.
async function pageErrors(page) {
  const collected = await page.evaluate(() => sessionStorage.getItem('brinvale-test-errors'));
  return [...new Set([...JSON.parse(collected || '[]'), ...page.errors])];
}

// ---------------------------------------------------------------- touch and mouse

// The mean colours of the well's top eight rows, column by column, in a view of device pixels.
async function wellRows(page, name, view) {
  const points = [];
  for (let column = 0; column < 8; column++) for (let row = 0; row < 8; row++) points.push([...cell(column, row, view), 4]);
  const means = await sample(page, name, points);
  return Array.from({ length: 8 }, (_, column) => means.slice(8 * column, 8 * column + 8));
}

const changedColumns = (before, after) =>
  before.map((rows, column) => rows.some((c, row) => distance(c, after[column][row]) > 24) ? column : -1).filter((c) => c >= 0).join(',');

// A finger drawn across the page by the browser's own touch events, in steps.
async function swipe(cdp, from, to, steps = 8) {
  const point = (k) => [{ x: from[0] + (to[0] - from[0]) * k / steps, y: from[1] + (to[1] - from[1]) * k / steps }];
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: point(0) });
  for (let k = 1; k <= steps; k++) await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: point(k) });
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
}

// As a phone (touch, ratio 3, 390 x 844), in Chromium, the one engine that emulates touch: taps and
// swipes become the keys. Its errors are added to the run's.
async function phoneChecks(run, url, home, errors) {
  const browser = await launchChromium(home);
  try {
    const ratio = 3;
    const phone = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: ratio,
                                             isMobile: true, hasTouch: true });
    const touchPage = await phone.newPage();
    // The checks' driver, with playwright's own touch screen and locators beside it.
    const page = Object.assign(playwrightDriver(phone, touchPage, [390, 844]), {
      run, touchscreen: touchPage.touchscreen, locator: (selector) => touchPage.locator(selector),
      waitForTimeout: (ms) => touchPage.waitForTimeout(ms) });
    const cdp = await phone.newCDPSession(touchPage);
    await page.goto(url);
    let view, devices;
    await step(run, 'as a phone, the picture spans the width at the top, the controls below it, no keys line', async () => {
      await waitScene(page, 'menu');
      view = await canvasView(page);
      devices = view.map((v) => v * ratio);
      if (view[1] > 1 || Math.abs(view[2] - 390) > 1) return `the canvas is at ${view.map(Math.round)}`;
      const pad = await page.locator('#pad-left').boundingBox();
      if (!pad || pad.y < view[1] + view[3] - 1 || pad.y + pad.height > 844) return 'the controls are not below the picture';
      if (await page.locator('#keys').isVisible()) return 'the keys line shows on a phone';
      return null;
    });

    await step(run, 'as a phone, a tap on NEW GAME starts play', async () => {
      await page.waitForTimeout(300);
      const [x, y] = project(0, 1.5, -7, view);
      await page.touchscreen.tap(x, y);
      await waitScene(page, 'play');
      return null;
    });

    const left = page.locator('#pad-left [data-key="37"]');
    await step(run, 'as a phone, a tap on the left control moves the column one place', async () => {
      await page.waitForTimeout(150);
      const before = await wellRows(page, 'phone-play', devices);
      const box = await left.boundingBox();
      await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
      await page.waitForTimeout(150);
      const moved = changedColumns(before, await wellRows(page, 'phone-left', devices));
      return moved === '2,3' ? null : `columns that changed: ${moved}`;
    });

    await step(run, 'as a phone, a swipe of two cells to the right moves the column two places', async () => {
      const before = await wellRows(page, 'phone-before-swipe', devices);
      const [x, y] = cell(3, 9, view);
      const travel = 2.5 * (cell(1, 0, view)[0] - cell(0, 0, view)[0]);
      await swipe(cdp, [x, y], [x + travel, y]);
      await page.waitForTimeout(250);
      const moved = changedColumns(before, await wellRows(page, 'phone-swipe', devices));
      return moved === '2,4' ? null : `columns that changed: ${moved}`;
    });

    await step(run, 'as a phone, a tap on the pause control pauses', async () => {
      const box = await page.locator('#pad-right [data-key="80"]').boundingBox();
      await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
      await page.waitForTimeout(200);
      const before = (await scene(page)).frames;
      await page.waitForTimeout(700);
      const drawn = (await scene(page)).frames - before;
      return drawn === 0 ? null : `${drawn} frames drawn after the tap`;
    });

    await step(run, 'as a phone, the sound control shows the sound-off sign, and a second tap takes it away', async () => {
      const box = await page.locator('#pad-left [data-key="77"]').boundingBox();
      const corner = [...project(14.5, 10.5, -30, devices), 3];
      const signs = [];
      for (const name of ['phone-sound-off', 'phone-sound-on']) {
        await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
        await page.waitForTimeout(250);
        signs.push(!isDark((await sample(page, name, [corner]))[0]));
      }
      return signs.join() === 'true,false' ? null : `the sign shown after each tap: ${signs.join()}`;
    });
    errors.push(...await pageErrors(page));
    await phone.close();
  } finally {
    await browser.close();
  }
}

// With a desktop mouse, on a page just loaded: a click beside the picture gives the game the keyboard,
// a click on a button of the menu chooses it.
async function mouseChecks(run, page) {
  let view;
  await step(run, 'a click on the margin gives the canvas the keyboard; with the canvas alone blurred, Return starts play', async () => {
    await waitScene(page, 'menu');
    view = await canvasView(page);
    if (view[0] < 4) return `no margin beside the canvas at ${view.map(Math.round)}`;
    await page.click(2, view[1] + view[3] / 2);
    const focused = await page.evaluate(() => document.activeElement && document.activeElement.id);
    if (focused !== 'canvas') return `after the click the focus is on "${focused}"`;
    // The canvas losing the focus while the page keeps it must not count as the page going away.
    await page.evaluate(() => document.activeElement.blur());
    await sleep(200);
    await press(page, 'Enter');
    await waitScene(page, 'play');
    return null;
  });

  await step(run, 'a mouse click on NEW GAME, with QUIT selected, starts play', async () => {
    await press(page, 'Escape');
    await waitScene(page, 'menu');
    await sleep(300);
    await press(page, 'ArrowDown');
    await sleep(500);
    const [x, y] = project(0, 1.5, -9, await canvasView(page));
    await page.click(x, y);
    await waitScene(page, 'play');
    return null;
  });
}

// ---------------------------------------------------------------- one engine

// Every check in one engine, with a server of its own (the offline check stops it) and a fresh home.
async function runEngine(run, display) {
  const engine = engines[run.engine];
  await mkdir(run.artefacts, { recursive: true });
  const server = run.server = await serve();
  const url = `http://127.0.0.1:${server.address().port}/`;
  const home = run.home = await mkdtemp(join(tmpdir(), `brinvale-${run.engine}-`));
  let serverStopped = false;
  try {
    try {
      run.page = await engine.open({ home, viewport: engine.viewport, display });
    } catch (error) {
      recordIn(run, 'the browser starts', startFailure(error));
      return;
    }
    const page = Object.assign(run.page, { run });
    await page.goto(url);
    let view;

    await step(run, 'the menu shows its two buttons at their projected places', async () => {
      await waitScene(page, 'menu');
      const firstMenu = (await scene(page)).firstMenuFrameAt;
      run.figures.push(`page load to the first menu frame, the browser just started: ${Math.round(firstMenu)} ms`);
      view = await canvasView(page);
      if (Math.abs(view[2] * 3 - view[3] * 4) > 4) return `the canvas is ${view[2]}x${view[3]}, not 4:3`;
      await sleep(300);
      return menuProblem(page, 'menu', view);
    });

    await step(run, 'the still menu makes no GL call for two seconds', async () => {
      await sleep(300);
      const before = await page.evaluate(() => window.brinvaleGlCalls);
      await sleep(2000);
      const calls = (await page.evaluate(() => window.brinvaleGlCalls)) - before;
      return calls === 0 ? null : `${calls} GL calls drawing or clearing in a still menu`;
    });

    let started;
    await step(run, 'Return starts play', async () => {
      await press(page, 'Enter');
      await waitScene(page, 'play');
      view = await settledView(page);
      started = await wellTop(page, 'play', view);
      const background = await sample(page, 'play-background', [[...cell(0, 6, view), 6], [...cell(7, 15, view), 6]]);
      if (background.some((c) => isDark(c, 4))) return 'no background in the well';
      return null;
    });

    await step(run, 'Left moves the column one place left', async () => {
      await press(page, 'ArrowLeft');
      await sleep(100);
      const moved = await wellTop(page, 'left', view);
      const changed = moved.map((rows, column) => rows.some((c, row) => distance(c, started[column][row]) > 24));
      const expected = [false, false, true, true, false, false, false, false];
      if (changed.join() !== expected.join()) return 'columns that changed: ' + changed.map((c, i) => c ? i : '').filter(String).join(',');
      return null;
    });

    await step(run, 'a pad, faked through navigator.getGamepads, moves the column, and holds nothing once unplugged',
               () => padMovesTheColumn(page, view));

    await step(run, 'play with no key held draws only the steps of the column', async () => {
      // The browser's own frame rate, counted alongside the game's presented frames.
      const [frames, refresh] = await page.evaluate(async () => {
        let ticks = 0, running = true;
        const count = () => { ticks++; if (running) requestAnimationFrame(count); };
        requestAnimationFrame(count);
        const before = Module.page.frames;
        await new Promise((r) => setTimeout(r, 4000));
        running = false;
        return [(Module.page.frames - before) / 4, ticks / 4];
      });
      run.figures.push(`frames per second in play with no key: ${frames.toFixed(2)} (the browser's refresh: ${refresh.toFixed(1)})`);
      if (frames < 0.5) return `only ${frames} frames per second: gravity's steps are not drawn`;
      if (frames > 4) return `${frames} frames per second with no key held: frames that show nothing new`;
      return null;
    });

    await step(run, 'P pauses and resumes', async () => {
      await press(page, 'p');
      await sleep(200);
      const before = (await scene(page)).frames;
      await sleep(700);
      const paused = (await scene(page)).frames - before;
      if (paused !== 0) return `${paused} frames drawn while paused`;
      // Resumed, gravity's next step comes a full second later and is drawn.
      await press(page, 'p');
      await sleep(1300);
      if ((await scene(page)).frames === before) return 'no frames after resuming';
      return null;
    });

    await step(run, 'a hidden page pauses play, which stays paused when the page is shown again, until P',
               () => hiddenPagePauses(page, view));
    await step(run, 'a page reloaded in play comes back paused with the same board', () => reloadedPageComesBack(page));

    await step(run, 'no sequence of keys, Alt and focus loss leaves a key down (paused, where keys do nothing)', async () => {
      await press(page, 'p');
      await sleep(200);
      const problem = await keySequenceProblems(page);
      await press(page, 'p');
      await sleep(200);
      return problem;
    });
    await step(run, 'a resize while paused keeps the picture', () => pausedResize(page));
    await step(run, 'a resize handler that changes the layout makes no ResizeObserver loop', () => resizeOutsideTheObserver(page));
    if (page.setPixelRatio)
      await step(run, 'a change of pixel ratio alone resizes the drawing buffer, as the browser grants it',
                 () => pixelRatioFollowed(page));

    await step(run, 'Escape returns to the menu', async () => {
      await press(page, 'Escape');
      await waitScene(page, 'menu');
      await sleep(300);
      return menuProblem(page, 'menu-again', view);
    });

    await step(run, 'a GL context lost and restored shows the menu again', () => contextLostAndRestored(page, view));

    await step(run, 'Quit from the menu shows "Play again", which starts the game anew', async () => {
      await press(page, 'ArrowDown');
      await sleep(500);
      await press(page, 'Enter');
      const button = () => {
        const b = document.querySelector('#ended button'), box = b && b.getBoundingClientRect();
        return b && !document.getElementById('ended').hidden && box.width > 0 &&
               [b.textContent.trim(), box.x + box.width / 2, box.y + box.height / 2];
      };
      await waitFor(page, button, null, 'end panel');
      const [text, x, y] = await page.evaluate(button);
      if (text !== 'Play again') return `the panel's button says "${text}"`;
      // Playing again loads the page anew, now in a browser that is already running.
      await page.evaluate(() => { window.beforePlayingAgain = true; });
      await page.click(x, y);
      await waitFor(page, () => !window.beforePlayingAgain && window.Module && Module.page && Module.page.scene === 'menu',
                    null, 'menu in a new page');
      const again = (await scene(page)).firstMenuFrameAt;
      run.figures.push(`page load to the first menu frame, reloaded by Play again in the running browser: ${Math.round(again)} ms`);
      return null;
    });

    const errors = [];
    if (engines[run.engine].touch) await phoneChecks(run, url, home, errors);
    await mouseChecks(run, page);

    await step(run, 'with the server stopped, a reload still reaches the menu', () => offlineReload(page, async () => {
      serverStopped = true;
      server.closeAllConnections();
      await new Promise((done) => server.close(done));
    }, run.figures));
    errors.push(...await pageErrors(page));
    recordIn(run, 'no uncaught errors or console errors', errors.length ? errors.slice(0, 3).join(' | ') : null);
  } finally {
    if (run.page) await run.page.close().catch(() => {});
    if (!serverStopped) server.close();
    await rm(home, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
  }
}

// A run that hangs (a game that never hands the thread back hangs every evaluation) is given up after
// its time, its browser killed, its server closed and its home removed, and the next engine runs.
const secondsPerEngine = 180;

async function runWithin(run, display) {
  let timer;
  const late = new Promise((done) => { timer = setTimeout(done, secondsPerEngine * 1000, 'late'); });
  const outcome = await Promise.race([runEngine(run, display).then(() => 'done', (error) => error), late]);
  clearTimeout(timer);
  if (outcome === 'late') {
    recordIn(run, `the run ends within ${secondsPerEngine} s`, 'it did not');
    run.abandoned = true;
    if (run.page) run.page.kill();
    if (run.server) {
      run.server.closeAllConnections();
      run.server.close(() => {});
    }
    // A browser being killed may still write into its profile for a moment.
    if (run.home) await rm(run.home, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 }).catch(() => {});
  } else if (outcome !== 'done') {
    recordIn(run, 'the run ends normally', String(outcome.message || outcome).split('\n')[0]);
  }
}

async function main() {
  for (const f of ['index.html', ...gameFiles])
    if (!existsSync(join(root, f))) throw new Error(`${join(root, f)} is missing: run make web`);
  const chosen = process.argv.slice(3);
  for (const name of chosen) if (!engines[name]) throw new Error(`no engine "${name}": ${Object.keys(engines).join(', ')}`);
  const figures = [];
  let xvfb = null;
  try {
    for (const name of chosen.length ? chosen : Object.keys(engines)) {
      if (engines[name].needsDisplay && !xvfb) xvfb = await startXvfb();
      const run = { engine: name, artefacts: join(artefacts, name), viewport: engines[name].viewport,
                    abandoned: false, figures: [] };
      const began = Date.now();
      await runWithin(run, xvfb && xvfb.display);
      run.figures.push(`the checks' time: ${((Date.now() - began) / 1000).toFixed(0)} s`);
      figures.push(...run.figures.map((line) => `${name}: ${line}`));
    }
  } finally {
    if (xvfb) xvfb.stop();
  }

  let gzipped = 0;
  for (const f of gameFiles) gzipped += gzipSync(await readFile(join(root, f))).length;
  figures.push(`transfer size of ${gameFiles.join(' + ')}, gzip-compressed: ${(gzipped / 1024).toFixed(0)} KiB`);
  // A first visit on a slow phone connection: the pictures for large screens must not make it long.
  const largestTransfer = 1.5 * 1024 * 1024;
  record('the first visit transfers at most 1.5 MiB gzip-compressed',
         gzipped > largestTransfer ? `${(gzipped / 1024).toFixed(0)} KiB` : null);
  await writeFile(join(artefacts, 'figures.txt'), figures.join('\n') + '\n');
  for (const line of figures) console.log('figure: ' + line);
  const failed = results.filter(([, problem]) => problem).length;
  console.log(`web tests: ${results.length - failed} passed, ${failed} failed`);
  return failed ? 1 : 0;
}

// Past every engine's time and then some, whatever still hangs: the run ends.
const secondsInAll = Object.keys(engines).length * secondsPerEngine + 60;
setTimeout(() => {
  console.error(`the browser runs did not finish within ${secondsInAll} s`);
  console.log(`web tests: ${results.filter(([, p]) => !p).length} passed, ${results.filter(([, p]) => p).length + 1} failed`);
  process.exit(1);
}, secondsInAll * 1000).unref();

// Stopped from outside (a test runner's timeout, ^C), the run still ends what it started.
for (const [signal, number] of [['SIGINT', 2], ['SIGTERM', 15], ['SIGHUP', 1]])
  process.on(signal, () => process.exit(128 + number));

// The summary is the run's end: whatever a browser or its driver still holds open is not waited
// for, and the exit ends the browsers, their drivers and the Xvfb.
main().then((status) => process.exit(status), (error) => {
  console.error(error.message || error);
  console.log('web tests: 0 passed, 1 failed');
  process.exit(1);
});
