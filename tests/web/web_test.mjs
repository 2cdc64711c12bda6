// The web build in the system's Chromium (headless, WebGL on SwiftShader), driven by playwright-core.
// Usage: node web_test.mjs BUILD_WEB_DIR
// Serves the folder on a private port, plays through the menu, play, pause and quit, judges screenshots
// at positions projected from the scene, prints the figures of the build and "N passed, N failed".
import { createServer } from 'node:http';
import { readFile, mkdtemp, rm, writeFile, mkdir } from 'node:fs/promises';
import { existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, extname, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import { chromium } from 'playwright-core';

const root = resolve(process.argv[2] || 'build-web');
const artefacts = join(root, 'test-artefacts');
const gameFiles = ['brinvale.js', 'brinvale.wasm', 'brinvale.data'];

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

function serve() {
  const server = createServer(async (request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    if (name.includes('..')) { response.writeHead(403).end(); return; }
    try {
      const body = await readFile(join(root, name));
      response.writeHead(200, { 'Content-Type': types[extname(name)] || 'application/octet-stream' }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

const scene = (page) => page.evaluate(() => (window.Module && Module.page) ? { ...Module.page } : { frames: 0 });

async function waitScene(page, name, timeout = 10000) {
  await page.waitForFunction((n) => window.Module && Module.page && Module.page.scene === n, name, { timeout });
}

// A key held long enough for a pass of the loop to see it down.
async function press(page, key, hold = 120) {
  await page.keyboard.down(key);
  await page.waitForTimeout(hold);
  await page.keyboard.up(key);
}

async function canvasView(page) {
  const box = await page.locator('#canvas').boundingBox();
  return [box.x, box.y, box.width, box.height];
}

// A screenshot, kept among the artefacts, and the mean colours of squares around the given points;
// the browser itself decodes the picture.
async function sample(page, name, points) {
  const png = await page.screenshot({ path: join(artefacts, name + '.png') });
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

// Runs every sequence; a list of what went wrong, or null.
async function keySequenceProblems(page) {
  const problems = [];
  for (const [name, actions, expected] of keySequences) {
    await page.evaluate(() => { Module.page.keys = []; });
    for (const [action, key] of actions) {
      if (action === 'down') await page.keyboard.down(key);
      else if (action === 'up') await page.keyboard.up(key);
      else await page.evaluate((type) => window.dispatchEvent(new Event(type)), action);
    }
    await page.waitForTimeout(50);
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
    lose.restoreContext();
    return null;
  });
  if (lost) return lost;
  const before = (await scene(page)).frames;
  await page.waitForFunction((n) => Module.page.frames > n + 5, before, { timeout: 5000 });
  await page.waitForTimeout(200);
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
  await page.waitForTimeout(100);
  const before = await wellTop(page, 'pad-before', view);
  await page.evaluate(() => { fakePad.buttons[14] = { pressed: true, touched: true, value: 1 }; });
  await page.waitForTimeout(150);
  await page.evaluate(() => { fakePad.connected = false; });
  // Past the held arrow's first repeat, 500 ms after the press.
  await page.waitForTimeout(700);
  const after = await wellTop(page, 'pad-left', view);
  const changed = after.map((rows, c) => rows.some((colour, row) => distance(colour, before[c][row]) > 24));
  // The keyboard's Left left the column in column 2; the pad's takes it to column 1.
  const expected = [false, true, true, false, false, false, false, false];
  if (changed.join() !== expected.join()) return 'columns that changed: ' + changed.map((c, i) => c ? i : '').filter(String).join(',');
  return null;
}

// A resize while paused keeps the last picture.
async function pausedResize(page) {
  await press(page, 'p');
  await page.waitForTimeout(200);
  await page.setViewportSize({ width: 700, height: 500 });
  await page.waitForTimeout(300);
  const small = await canvasView(page);
  const [background] = await sample(page, 'paused-resized', [[...cell(0, 6, small), 6]]);
  await page.setViewportSize({ width: 900, height: 632 });
  await press(page, 'p');
  await page.waitForTimeout(300);
  if (isDark(background, 4)) return 'the picture went black when the page was resized while paused';
  return null;
}

// A change of pixel ratio alone resizes the drawing buffer, and the viewport is the buffer the
// browser grants, which may be less than asked: here it grants at most 1000 pixels a side.
async function pixelRatioFollowed(page) {
  await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const gl = canvas.getContext('webgl');
    for (const [name, side] of [['drawingBufferWidth', 'width'], ['drawingBufferHeight', 'height']])
      Object.defineProperty(gl, name, { configurable: true, get: () => Math.min(canvas[side], 1000) });
  });
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Emulation.setDeviceMetricsOverride', { width: 900, height: 632, deviceScaleFactor: 2, mobile: false });
  await page.waitForTimeout(400);
  const [width, height, viewport] = await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const gl = canvas.getContext('webgl');
    const sizes = [canvas.width, canvas.height, Array.from(gl.getParameter(gl.VIEWPORT))];
    delete gl.drawingBufferWidth;
    delete gl.drawingBufferHeight;
    return sizes;
  });
  await cdp.send('Emulation.clearDeviceMetricsOverride');
  await page.waitForTimeout(300);
  // 800 x 600 CSS pixels at ratio 2 asks for 1600 x 1200; the grant keeps 4:3 at 1000 x 750.
  if (width === 800) return 'the drawing buffer did not follow the pixel ratio';
  if (width !== 1000 || height !== 750) return `canvas ${width}x${height}, not the 1000x750 granted`;
  if (viewport.join() !== '0,0,1000,750') return `viewport ${viewport.join(',')} for a 1000x750 buffer`;
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

async function step(name, body) {
  try {
    record(name, await body());
  } catch (error) {
    record(name, String(error.message || error).split('\n')[0]);
  }
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

// As a phone (touch, ratio 3, 390 x 844), then with a desktop mouse: taps and clicks become the keys.
async function pointerChecks(url, consoleErrors) {
  const browser = await chromium.launch({
    executablePath: process.env.BRINVALE_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  const watch = (page) => {
    page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
    page.on('pageerror', (e) => consoleErrors.push(String(e)));
  };
  try {
    const ratio = 3;
    const phone = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: ratio,
                                             isMobile: true, hasTouch: true });
    const page = await phone.newPage();
    watch(page);
    const cdp = await phone.newCDPSession(page);
    await page.goto(url);
    let view, devices;
    await step('as a phone, the picture spans the width at the top, the controls below it, no keys line', async () => {
      await waitScene(page, 'menu');
      view = await canvasView(page);
      devices = view.map((v) => v * ratio);
      if (view[1] > 1 || Math.abs(view[2] - 390) > 1) return `the canvas is at ${view.map(Math.round)}`;
      const pad = await page.locator('#pad-left').boundingBox();
      if (!pad || pad.y < view[1] + view[3] - 1 || pad.y + pad.height > 844) return 'the controls are not below the picture';
      if (await page.locator('#keys').isVisible()) return 'the keys line shows on a phone';
      return null;
    });

    await step('as a phone, a tap on NEW GAME starts play', async () => {
      await page.waitForTimeout(300);
      const [x, y] = project(0, 1.5, -7, view);
      await page.touchscreen.tap(x, y);
      await waitScene(page, 'play');
      return null;
    });

    const left = page.locator('#pad-left [data-key="37"]');
    await step('as a phone, a tap on the left control moves the column one place', async () => {
      await page.waitForTimeout(150);
      const before = await wellRows(page, 'phone-play', devices);
      const box = await left.boundingBox();
      await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
      await page.waitForTimeout(150);
      const moved = changedColumns(before, await wellRows(page, 'phone-left', devices));
      return moved === '2,3' ? null : `columns that changed: ${moved}`;
    });

    await step('as a phone, a swipe of two cells to the right moves the column two places', async () => {
      const before = await wellRows(page, 'phone-before-swipe', devices);
      const [x, y] = cell(3, 9, view);
      const travel = 2.5 * (cell(1, 0, view)[0] - cell(0, 0, view)[0]);
      await swipe(cdp, [x, y], [x + travel, y]);
      await page.waitForTimeout(250);
      const moved = changedColumns(before, await wellRows(page, 'phone-swipe', devices));
      return moved === '2,4' ? null : `columns that changed: ${moved}`;
    });

    await step('as a phone, a tap on the pause control pauses', async () => {
      const box = await page.locator('#pad-right [data-key="80"]').boundingBox();
      await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
      await page.waitForTimeout(200);
      const before = (await scene(page)).frames;
      await page.waitForTimeout(700);
      const drawn = (await scene(page)).frames - before;
      return drawn === 0 ? null : `${drawn} frames drawn after the tap`;
    });
    await phone.close();

    const desktop = await browser.newContext({ viewport: { width: 900, height: 632 } });
    const mouse = await desktop.newPage();
    watch(mouse);
    await mouse.goto(url);
    await step('a click on the margin gives the canvas the keyboard; with the canvas alone blurred, Return starts play', async () => {
      await waitScene(mouse, 'menu');
      view = await canvasView(mouse);
      if (view[0] < 4) return `no margin beside the canvas at ${view.map(Math.round)}`;
      await mouse.mouse.click(2, view[1] + view[3] / 2);
      const focused = await mouse.evaluate(() => document.activeElement && document.activeElement.id);
      if (focused !== 'canvas') return `after the click the focus is on "${focused}"`;
      // The canvas losing the focus while the page keeps it must not count as the page going away.
      await mouse.evaluate(() => document.activeElement.blur());
      await mouse.waitForTimeout(200);
      await press(mouse, 'Enter');
      await waitScene(mouse, 'play');
      return null;
    });

    await step('a mouse click on NEW GAME, with QUIT selected, starts play', async () => {
      await press(mouse, 'Escape');
      await waitScene(mouse, 'menu');
      await mouse.waitForTimeout(300);
      await press(mouse, 'ArrowDown');
      await mouse.waitForTimeout(500);
      const [x, y] = project(0, 1.5, -9, view);
      await mouse.mouse.click(x, y);
      await waitScene(mouse, 'play');
      return null;
    });
  } finally {
    await browser.close();
  }
}

async function main() {
  for (const f of ['index.html', ...gameFiles])
    if (!existsSync(join(root, f))) throw new Error(`${join(root, f)} is missing: run make web`);
  await mkdir(artefacts, { recursive: true });
  const server = await serve();
  const profile = await mkdtemp(join(tmpdir(), 'brinvale-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.BRINVALE_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 900, height: 632 },
    args: ['--no-sandbox', '--disable-gpu-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
           '--autoplay-policy=user-gesture-required'],
  });
  const consoleErrors = [];
  let serverStopped = false;
  const figures = [];
  try {
    const page = browser.pages()[0] || await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
    page.on('pageerror', (e) => consoleErrors.push(String(e)));
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    let view;

    await step('the menu shows its two buttons at their projected places', async () => {
      await waitScene(page, 'menu');
      const firstMenu = (await scene(page)).firstMenuFrameAt;
      figures.push(`page load to the first menu frame, the browser just started: ${Math.round(firstMenu)} ms`);
      view = await canvasView(page);
      if (Math.abs(view[2] * 3 - view[3] * 4) > 4) return `the canvas is ${view[2]}x${view[3]}, not 4:3`;
      await page.waitForTimeout(300);
      return menuProblem(page, 'menu', view);
    });

    let started;
    await step('Return starts play', async () => {
      await press(page, 'Enter');
      await waitScene(page, 'play');
      started = await wellTop(page, 'play', view);
      const background = await sample(page, 'play-background', [[...cell(0, 6, view), 6], [...cell(7, 15, view), 6]]);
      if (background.some((c) => isDark(c, 4))) return 'no background in the well';
      return null;
    });

    await step('Left moves the column one place left', async () => {
      await press(page, 'ArrowLeft');
      await page.waitForTimeout(100);
      const moved = await wellTop(page, 'left', view);
      const changed = moved.map((rows, column) => rows.some((c, row) => distance(c, started[column][row]) > 24));
      const expected = [false, false, true, true, false, false, false, false];
      if (changed.join() !== expected.join()) return 'columns that changed: ' + changed.map((c, i) => c ? i : '').filter(String).join(',');
      return null;
    });

    await step('a pad, faked through navigator.getGamepads, moves the column, and holds nothing once unplugged',
               () => padMovesTheColumn(page, view));

    await step('play runs at most at the refresh rate', async () => {
      // The browser's own frame rate, counted alongside the game's presented frames.
      const [frames, refresh] = await page.evaluate(async () => {
        let ticks = 0, running = true;
        const count = () => { ticks++; if (running) requestAnimationFrame(count); };
        requestAnimationFrame(count);
        const before = Module.page.frames;
        await new Promise((r) => setTimeout(r, 2000));
        running = false;
        return [(Module.page.frames - before) / 2, ticks / 2];
      });
      figures.push(`frames per second in play: ${frames.toFixed(1)} (the browser's refresh: ${refresh.toFixed(1)})`);
      if (frames < 5) return `only ${frames} frames per second`;
      if (frames > refresh * 1.1 + 1) return `${frames} frames per second, above the refresh rate ${refresh}`;
      return null;
    });

    await step('P pauses and resumes', async () => {
      await press(page, 'p');
      await page.waitForTimeout(200);
      const before = (await scene(page)).frames;
      await page.waitForTimeout(700);
      const paused = (await scene(page)).frames - before;
      if (paused !== 0) return `${paused} frames drawn while paused`;
      await press(page, 'p');
      await page.waitForTimeout(300);
      if ((await scene(page)).frames === before) return 'no frames after resuming';
      return null;
    });

    await step('no sequence of keys, Alt and focus loss leaves a key down (paused, where keys do nothing)', async () => {
      await press(page, 'p');
      await page.waitForTimeout(200);
      const problem = await keySequenceProblems(page);
      await press(page, 'p');
      await page.waitForTimeout(200);
      return problem;
    });
    await step('a resize while paused keeps the picture', () => pausedResize(page));
    await step('a change of pixel ratio alone resizes the drawing buffer, as the browser grants it',
               () => pixelRatioFollowed(page));

    await step('Escape returns to the menu', async () => {
      await press(page, 'Escape');
      await waitScene(page, 'menu');
      await page.waitForTimeout(300);
      return menuProblem(page, 'menu-again', view);
    });

    await step('a GL context lost and restored shows the menu again', () => contextLostAndRestored(page, view));

    await step('Quit from the menu shows "Play again", which starts the game anew', async () => {
      await press(page, 'ArrowDown');
      await page.waitForTimeout(500);
      await press(page, 'Enter');
      const button = page.locator('#ended button');
      await button.waitFor({ state: 'visible', timeout: 10000 });
      const text = (await button.textContent()).trim();
      if (text !== 'Play again') return `the panel's button says "${text}"`;
      // Playing again loads the page anew, now in a browser that is already running.
      await Promise.all([page.waitForEvent('load'), button.click()]);
      await waitScene(page, 'menu');
      const again = (await scene(page)).firstMenuFrameAt;
      figures.push(`page load to the first menu frame, reloaded by Play again in the running browser: ${Math.round(again)} ms`);
      return null;
    });

    await pointerChecks(`http://127.0.0.1:${server.address().port}/`, consoleErrors);
    record('no console errors', consoleErrors.length ? consoleErrors.slice(0, 3).join(' | ') : null);

    await step('with the server stopped, a reload still reaches the menu', () => offlineReload(page, async () => {
      serverStopped = true;
      server.closeAllConnections();
      await new Promise((done) => server.close(done));
    }, figures));
  } finally {
    await browser.close();
    if (!serverStopped) server.close();
    await rm(profile, { recursive: true, force: true });
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
  process.exitCode = failed ? 1 : 0;
}

// A game that never hands the thread back would hang every evaluation: the run ends instead.
setTimeout(() => {
  console.error('the browser run did not finish within 180 s');
  console.log(`web tests: ${results.filter(([, p]) => !p).length} passed, ${results.filter(([, p]) => p).length + 1} failed`);
  process.exit(1);
}, 180000).unref();

main().catch((error) => {
  console.error(error.message || error);
  console.log('web tests: 0 passed, 1 failed');
  process.exitCode = 1;
});
