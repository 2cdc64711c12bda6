// The browser tests' drivers: one small layer per engine (Chromium through playwright-core, Firefox ESR
// through puppeteer-core over WebDriver BiDi, WebKitGTK through WebKitWebDriver's plain WebDriver), all
// from Debian's packages, so that web_test.mjs runs one set of checks in each.
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';
import { mkdir, writeFile } from 'node:fs/promises';
import { join } from 'node:path';
import { chromium } from 'playwright-core';
import puppeteer from 'puppeteer-core';

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// What a browser's failure to start says, on one line: its own lines, without colours and the
// driver's echo of the command it launched.
export function startFailure(error) {
  const lines = String(error.message || error).replace(/\x1b\[[0-9;]*m/g, '').split('\n').map((line) => line.trim());
  return lines.filter((line) => line && !/<launch(ing|ed)>/.test(line)).join(' | ').slice(0, 600);
}

// A fresh home, with the XDG folders inside it, so that no profile or cache carries over between runs.
function homeEnv(home, display) {
  const env = { ...process.env, HOME: home, XDG_CONFIG_HOME: join(home, 'config'), XDG_CACHE_HOME: join(home, 'cache'),
                XDG_DATA_HOME: join(home, 'data'), XDG_RUNTIME_DIR: join(home, 'runtime') };
  delete env.WAYLAND_DISPLAY;
  if (display) Object.assign(env, { DISPLAY: display, LIBGL_ALWAYS_SOFTWARE: '1' });
  return env;
}

async function makeHome(home) {
  await mkdir(join(home, 'runtime'), { recursive: true, mode: 0o700 });
}

// A private Xvfb: headless Firefox has WebGL only with an X display, and MiniBrowser needs one to start.
// -noreset: the server would otherwise reset as a browser's last connection closed, refusing the next.
// Resolves with its display name and a function that stops it.
export function startXvfb() {
  return new Promise((done, fail) => {
    const xvfb = spawn('Xvfb', ['-displayfd', '1', '-noreset', '-nolisten', 'tcp', '-screen', '0', '1280x1024x24'],
                       { stdio: ['ignore', 'pipe', 'ignore'] });
    let number = '';
    xvfb.on('error', fail);
    xvfb.on('exit', (code) => fail(new Error(`Xvfb ended with status ${code} before it took a display`)));
    xvfb.stdout.on('data', (chunk) => {
      number += chunk;
      if (number.includes('\n')) done({ display: ':' + number.trim(), stop: () => xvfb.kill() });
    });
    // However the run ends, the server goes with it.
    process.once('exit', () => xvfb.kill());
  });
}

// ---------------------------------------------------------------- Chromium

const chromiumArgs = ['--no-sandbox', '--disable-gpu-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'];
export const chromiumPath = process.env.BRINVALE_CHROMIUM || '/usr/bin/chromium';

// What playwright's and puppeteer's pages do alike: their errors collected, loading, scripts, keys
// and clicks.
function pageDriver(page) {
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e.message || e)));
  return {
    errors,
    goto: (url) => page.goto(url),
    reload: () => page.reload(),
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    keyDown: (key) => page.keyboard.down(key),
    keyUp: (key) => page.keyboard.up(key),
    click: (x, y) => page.mouse.click(x, y),
  };
}

// A playwright page as the checks drive it; the phone checks wrap their own pages too.
export function playwrightDriver(context, page, viewport) {
  let cdp = null;
  return {
    ...pageDriver(page),
    screenshot: (path) => page.screenshot({ path }),
    setViewport: (width, height) => page.setViewportSize({ width, height }),
    setPixelRatio: async (ratio) => {
      cdp = cdp || await context.newCDPSession(page);
      if (ratio === 1) await cdp.send('Emulation.clearDeviceMetricsOverride');
      else await cdp.send('Emulation.setDeviceMetricsOverride',
                          { width: viewport[0], height: viewport[1], deviceScaleFactor: ratio, mobile: false });
    },
    close: () => context.close(),
    kill: () => { context.close().catch(() => {}); },
  };
}

// Headless, WebGL on SwiftShader; the only engine with touch emulation, so the phone checks use `launch`.
async function openChromium({ home, viewport }) {
  await makeHome(home);
  const context = await chromium.launchPersistentContext(join(home, 'profile'), {
    executablePath: chromiumPath, headless: true, env: homeEnv(home),
    viewport: { width: viewport[0], height: viewport[1] },
    args: [...chromiumArgs, '--autoplay-policy=user-gesture-required'],
  });
  try {
    return playwrightDriver(context, context.pages()[0] || await context.newPage(), viewport);
  } catch (error) {
    context.close().catch(() => {});
    throw error;
  }
}

// The phone and its touch screen, in a browser of its own: `launch(home)` resolves with playwright's browser.
export const launchChromium = (home) => chromium.launch({ executablePath: chromiumPath, headless: true,
                                                          env: homeEnv(home), args: chromiumArgs });

// ---------------------------------------------------------------- Firefox ESR

// Headless, but on the Xvfb: without a display it has no WebGL. Its pixel ratio follows the viewport's.
async function openFirefox({ home, viewport, display }) {
  await makeHome(home);
  const browser = await puppeteer.launch({
    browser: 'firefox', executablePath: process.env.BRINVALE_FIREFOX || '/usr/bin/firefox-esr', headless: true,
    userDataDir: join(home, 'profile'), env: homeEnv(home, display),
  });
  const kill = () => { const p = browser.process(); if (p) p.kill('SIGKILL'); };
  let page;
  try {
    // Its first tab keeps the window's size until told otherwise.
    page = (await browser.pages())[0] || await browser.newPage();
    await page.setViewport({ width: viewport[0], height: viewport[1] });
  } catch (error) {
    kill();
    throw error;
  }
  let size = viewport;
  return {
    ...pageDriver(page),
    screenshot: async (path) => Buffer.from(await page.screenshot({ path })),
    setViewport: (width, height) => { size = [width, height]; return page.setViewport({ width, height }); },
    setPixelRatio: (ratio) => page.setViewport({ width: size[0], height: size[1], deviceScaleFactor: ratio }),
    close: () => browser.close(),
    kill,
  };
}

// ---------------------------------------------------------------- WebKitGTK

const miniBrowser = process.env.BRINVALE_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
// WebKitWebDriver waits for ever on a browser that ends before it connects.
const sessionStartSeconds = 30;

// WebDriver's codes for the keys the checks press; a printable key is itself.
const webDriverKeys = { Enter: '\uE007', Escape: '\uE00C', Alt: '\uE00A', Control: '\uE009',
                        ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015',
                        F4: '\uE034', F10: '\uE03A' };

function freePort() {
  return new Promise((done, fail) => {
    const server = createServer().on('error', fail).listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => done(port));
    });
  });
}

// MiniBrowser under WebKitWebDriver, spoken to in plain W3C WebDriver with node's fetch. It has no
// event stream: the page's errors come only from what the served page itself collects.
async function openWebKit({ home, viewport, display }) {
  await makeHome(home);
  const port = await freePort();
  // Its own process group, so that MiniBrowser goes with it whatever happens to the session.
  const server = spawn('WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'],
                       { env: homeEnv(home, display), stdio: ['ignore', 'ignore', 'pipe'], detached: true });
  const kill = (signal = 'SIGKILL') => { try { process.kill(-server.pid, signal); } catch { /* already gone */ } };
  process.once('exit', () => kill());
  // The last of what the server and the browser print, for a start that fails.
  let said = '';
  server.stderr.on('data', (chunk) => { said = (said + chunk).slice(-2000); });
  const ended = new Promise((done) => server.once('exit', done));
  const base = `http://127.0.0.1:${port}`;
  // Refused connections are tried again only while the server starts.
  async function call(method, path, body, starting = false) {
    for (let attempt = 0; ; attempt++) {
      let reply;
      try {
        reply = await fetch(base + path, { method, headers: { 'Content-Type': 'application/json' },
                                           body: body === undefined ? undefined : JSON.stringify(body) });
      } catch (error) {
        if (starting && attempt < 200) { await sleep(50); continue; }
        throw error;
      }
      const { value } = await reply.json();
      if (value && value.error) throw new Error(`${value.error}: ${value.message}`);
      return value;
    }
  }
  let session;
  let timer;
  try {
    const started = call('POST', '/session', { capabilities: { alwaysMatch: {
      browserName: 'MiniBrowser',
      'webkitgtk:browserOptions': { binary: miniBrowser,
                                    args: ['--automation', '--enable-webgl=true', '--enable-webaudio=true'] } } } }, true);
    const failed = Promise.race([
      ended.then((code) => `WebKitWebDriver ended with status ${code}`),
      new Promise((done) => { timer = setTimeout(done, sessionStartSeconds * 1000,
                                                 `no session within ${sessionStartSeconds} s`); }),
    ]).then((why) => { throw new Error(`${miniBrowser} did not start: ${why}\n${said}`); });
    // Whichever loses the race settles later, unheard.
    failed.catch(() => {});
    started.catch(() => {});
    const { sessionId } = await Promise.race([started, failed]);
    session = `/session/${sessionId}`;
  } catch (error) {
    kill();
    throw error;
  } finally {
    clearTimeout(timer);
  }
  const evaluate = (fn, arg) => call('POST', `${session}/execute/sync`,
                                     { script: `return (${fn}).call(null, arguments[0]);`, args: [arg === undefined ? null : arg] });
  const keys = (type, key) => call('POST', `${session}/actions`, { actions: [
    { type: 'key', id: 'keyboard', actions: [{ type, value: webDriverKeys[key] || key }] }] });
  // The window's outer size for a page of width x height: its toolbar takes the rest.
  async function setViewport(width, height) {
    let chrome = 0;
    for (let tries = 0; tries < 5; tries++) {
      await call('POST', `${session}/window/rect`, { width, height: height + chrome });
      // A loaded machine applies the size a moment later: read it once it holds still.
      let inner, outer, last;
      for (let polls = 0; polls < 20; polls++) {
        [inner, outer] = await evaluate(() => [innerHeight, outerHeight]);
        if (inner === height || (last && last[0] === inner && last[1] === outer)) break;
        last = [inner, outer];
        await new Promise((done) => setTimeout(done, 100));
      }
      if (inner === height) return;
      chrome = outer - inner;
    }
    throw new Error(`MiniBrowser's page did not take ${width}x${height}`);
  }
  await setViewport(...viewport);
  return {
    errors: [],
    goto: (url) => call('POST', `${session}/url`, { url }),
    reload: () => call('POST', `${session}/refresh`, {}),
    evaluate,
    keyDown: (key) => keys('keyDown', key),
    keyUp: (key) => keys('keyUp', key),
    click: (x, y) => call('POST', `${session}/actions`, { actions: [
      { type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: [
        { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' },
        { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }] }] }),
    screenshot: async (path) => {
      const png = Buffer.from(await call('GET', `${session}/screenshot`), 'base64');
      await writeFile(path, png);
      return png;
    },
    setViewport,
    setPixelRatio: null,  // WebDriver has no way to change it
    repeatsKeys: false,   // a key-down for a key already down is dropped, not sent as a repeat
    // The session's end closes MiniBrowser; the server then gets two seconds to go before it is killed.
    close: async () => {
      try {
        await call('DELETE', session);
      } finally {
        kill('SIGTERM');
        await Promise.race([ended, sleep(2000)]);
        kill();
      }
    },
    kill: () => kill(),
  };
}

// Each engine: how to open it, whether it needs the Xvfb, the page's size (MiniBrowser's software
// compositing slows with the canvas's area, so its window stays small) and whether it can emulate touch.
export const engines = {
  chromium: { open: openChromium, needsDisplay: false, viewport: [900, 632], touch: true },
  firefox: { open: openFirefox, needsDisplay: true, viewport: [900, 632], touch: false },
  webkit: { open: openWebKit, needsDisplay: true, viewport: [500, 382], touch: false },
};
