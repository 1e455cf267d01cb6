// The page on an emulated phone (Chromium's device emulation: 412 x 915
// portrait, touch, device scale 2.6), served cross-origin isolated by
// scripts/serve-web.sh:
// - the download's progress ends at the size of the files it fetched, the
//   start screen fits the view either way round and enables its control;
// - a tap starts the show; the picture is 4:3, as wide as the portrait view
//   and centred, and as tall as the view held sideways;
// - a 'screen' wake lock is asked for at start and again when the page shows
//   after it was hidden (the browser drops the lock then), and let go at the
//   end; a tap on the picture ends the show, a tap on the end screen starts it
//   again;
// - a browser that refuses the wake lock and full screen, or has neither
//   API, plays all the same and says so on the console once;
// - a file that cannot be loaded gives the error screen naming it, with the
//   HTTP status or the network error;
// - the page's bench at 4x CPU throttling, threaded and on one thread,
//   printed (the slowest effect as a figure, not a check).
//
// Usage: node phone_test.js SITE_DIR SERVE_SCRIPT  (NODE_PATH: puppeteer-core)
'use strict';

const fs = require('fs');
const path = require('path');
const {check, finish, sleep, serveIsolated, launchChromium, waitFor, printBench,
  benchFrames} = require('./page_support');

const [siteDir, serveScript] = process.argv.slice(2);
const portrait = {width: 412, height: 915, isMobile: true, hasTouch: true, deviceScaleFactor: 2.6};
const sideways = {...portrait, width: 915, height: 412};

// A stand-in for the Screen Wake Lock API that records what the page asks
// for, grants or refuses as told, and drops its locks when the page is
// hidden, as browsers do. window.vdkTest.visibility(v) makes the page hidden
// or visible and fires visibilitychange. Fullscreen can be refused or taken
// away as well.
function installStandIns(options) {
  const log = {requests: [], locks: [], visibility: 'visible', progress: []};
  window.vdkTest = log;
  document.addEventListener('DOMContentLoaded', () => {
    const text = document.getElementById('progress-text');
    new MutationObserver(() => log.progress.push(text.textContent)).observe(text, {childList: true, characterData: true, subtree: true});
  });
  Object.defineProperty(document, 'visibilityState', {configurable: true, get: () => log.visibility});
  Object.defineProperty(document, 'hidden', {configurable: true, get: () => log.visibility !== 'visible'});
  log.visibility = 'visible';
  log.setVisibility = state => {
    log.visibility = state;
    if (state === 'hidden') {
      for (const lock of log.locks) {
        if (!lock.released) {
          lock.released = true;
          lock.dispatchEvent(new Event('release'));
        }
      }
    }
    document.dispatchEvent(new Event('visibilitychange'));
  };
  const api = {
    request: type => {
      log.requests.push({type, visibility: log.visibility});
      if (options.wakeLock === 'refuse') {
        return Promise.reject(new DOMException('Wake Lock permission request denied', 'NotAllowedError'));
      }
      const lock = new EventTarget();
      lock.type = type;
      lock.released = false;
      lock.release = () => {
        if (!lock.released) {
          lock.released = true;
          lock.dispatchEvent(new Event('release'));
        }
        return Promise.resolve();
      };
      log.locks.push(lock);
      return Promise.resolve(lock);
    },
  };
  if (options.wakeLock === 'missing') {
    delete Navigator.prototype.wakeLock;
  } else {
    Object.defineProperty(Navigator.prototype, 'wakeLock', {configurable: true, get: () => api});
  }
  if (options.fullscreen === 'refuse') {
    Element.prototype.requestFullscreen = () => Promise.reject(new TypeError('Permissions check failed'));
  } else if (options.fullscreen === 'missing') {
    delete Element.prototype.requestFullscreen;
    delete Element.prototype.webkitRequestFullscreen;
  }
}

async function openPhonePage(browser, url, options, consoleLines) {
  const page = await browser.newPage();
  await page.setViewport(portrait);
  await page.evaluateOnNewDocument(installStandIns, options);
  page.on('console', message => consoleLines.push(message.type() + ': ' + message.text()));
  page.on('pageerror', error => consoleLines.push('pageerror: ' + error.message));
  await page.goto(url, {waitUntil: 'load'});
  return page;
}

// Taps the middle of an element.
async function tap(page, selector) {
  const box = await page.evaluate(s => {
    const r = document.querySelector(s).getBoundingClientRect();
    return {x: r.left + r.width / 2, y: r.top + r.height / 2};
  }, selector);
  await page.touchscreen.tap(box.x, box.y);
}

// The canvas's place on the page, and the view's size.
function pictureBox(page) {
  return page.evaluate(() => {
    const r = document.getElementById('screen').getBoundingClientRect();
    return {left: r.left, top: r.top, width: r.width, height: r.height,
      viewWidth: window.innerWidth, viewHeight: window.innerHeight,
      rendering: getComputedStyle(document.getElementById('screen')).imageRendering};
  });
}

// Every visible piece of the screen lies inside the view, and the screen
// needs no scrolling.
function screenFits(page, id) {
  return page.evaluate(id => {
    const panel = document.getElementById(id);
    if (getComputedStyle(panel).display === 'none') return 'not shown';
    const outside = [];
    for (const element of panel.querySelectorAll('*')) {
      const r = element.getBoundingClientRect();
      if (r.width === 0 && r.height === 0) continue;
      if (r.left < -0.5 || r.top < -0.5 || r.right > window.innerWidth + 0.5 || r.bottom > window.innerHeight + 0.5) {
        outside.push(element.tagName + (element.id ? '#' + element.id : '') + ' ' +
          [r.left, r.top, r.right, r.bottom].map(Math.round).join(','));
      }
    }
    if (panel.scrollWidth > panel.clientWidth + 1 || panel.scrollHeight > panel.clientHeight + 1) {
      outside.push(`scrolls (${panel.scrollWidth} x ${panel.scrollHeight} in ${panel.clientWidth} x ${panel.clientHeight})`);
    }
    return outside.length ? outside.slice(0, 4).join('; ') : 'fits';
  }, id);
}

async function positionAdvances(page) {
  const before = await page.evaluate(() => window.veldrakin.position());
  await sleep(700);
  const after = await page.evaluate(() => window.veldrakin.position());
  return after > before + 0.3;
}

// The granted wake lock: taps, the 4:3 picture both ways round, the lock
// over a hidden spell, the end and a start again.
async function grantedPhone(browser, url) {
  const lines = [];
  const page = await openPhonePage(browser, url, {wakeLock: 'grant'}, lines);
  await page.evaluate(() => window.veldrakin.ready);
  const sizes = ['show.data', 'veldrakin-mt.wasm'].reduce((sum, name) => sum + fs.statSync(path.join(siteDir, name)).size, 0);
  const progress = await page.evaluate(() => ({...window.veldrakin.progress,
    text: document.getElementById('progress-text').textContent}));
  check(progress.total === sizes && progress.received === sizes && / of /.test(progress.text),
    `the progress counts the download to its end (${progress.received} of ${progress.total} bytes, ` +
    `"${progress.text}"; the files hold ${sizes})`);
  // As it arrives: received amounts that grow, in several steps.
  const steps = await page.evaluate(() => window.vdkTest.progress.map(t => parseFloat(t)));
  check(steps.length >= 3 && steps.every((v, i) => i === 0 || v >= steps[i - 1]) && steps[0] < steps[steps.length - 1],
    `the progress is shown as the bytes arrive (${steps.length} steps: ${steps.slice(0, 3).join(', ')} ... ${steps[steps.length - 1]} MB)`);
  check(await page.evaluate(() => window.veldrakin.threads), 'the page runs the threaded module');
  check(await page.evaluate(() => !document.getElementById('start-label').disabled &&
    /tap to start/.test(document.getElementById('start-label').textContent)),
  'the start control is enabled once ready, and asks for a tap');
  const startFit = await screenFits(page, 'start');
  check(startFit === 'fits', `the start screen fits the portrait phone (${startFit})`);
  await page.setViewport(sideways);
  const sidewaysFit = await screenFits(page, 'start');
  check(sidewaysFit === 'fits', `and the phone held sideways (${sidewaysFit})`);
  await page.setViewport(portrait);

  await tap(page, '#start-label');
  check(await waitFor(page, () => window.veldrakin.state === 'playing', 20000), 'a tap starts the show');
  check(await waitFor(page, () => window.veldrakin.position() > 0.2, 20000) && await positionAdvances(page),
    'and it plays');

  const upright = await pictureBox(page);
  check(Math.abs(upright.width / upright.height - 4 / 3) < 0.01 && upright.width <= upright.viewWidth + 0.5 &&
        upright.height <= upright.viewHeight + 0.5,
  `the picture is 4:3 within the portrait view (${upright.width.toFixed(1)} x ${upright.height.toFixed(1)} ` +
        `in ${upright.viewWidth} x ${upright.viewHeight})`);
  check(Math.abs(upright.width - upright.viewWidth) < 1 &&
        Math.abs(upright.top - (upright.viewHeight - upright.height) / 2) < 1 && Math.abs(upright.left) < 1,
  `as wide as the view and centred from top to bottom (at ${upright.left.toFixed(1)}, ${upright.top.toFixed(1)})`);
  check(upright.rendering === 'pixelated' || upright.rendering === 'crisp-edges',
    `nearest neighbour (image-rendering: ${upright.rendering})`);

  await page.setViewport(sideways);
  await sleep(200);
  const turned = await pictureBox(page);
  check(Math.abs(turned.height - turned.viewHeight) < 1 && Math.abs(turned.width / turned.height - 4 / 3) < 0.01 &&
        Math.abs(turned.left - (turned.viewWidth - turned.width) / 2) < 1,
  `held sideways, the 4:3 picture fills the height, centred (${turned.width.toFixed(1)} x ${turned.height.toFixed(1)} ` +
        `at ${turned.left.toFixed(1)} in ${turned.viewWidth} x ${turned.viewHeight})`);
  await page.setViewport(portrait);
  await sleep(200);

  const asked = await page.evaluate(() => window.vdkTest.requests.map(r => r.type));
  check(asked.length === 1 && asked[0] === 'screen', `a 'screen' wake lock is asked for at start (${JSON.stringify(asked)})`);
  await page.evaluate(() => window.vdkTest.setVisibility('hidden'));
  await sleep(300);
  const whileHidden = await page.evaluate(() => window.vdkTest.requests.length);
  await page.evaluate(() => window.vdkTest.setVisibility('visible'));
  const again = await waitFor(page, () => window.vdkTest.requests.length === 2, 10000);
  const requests = await page.evaluate(() => window.vdkTest.requests);
  check(whileHidden === 1 && again && requests[1].type === 'screen' && requests[1].visibility === 'visible',
    `shown again after it was hidden, the page asks for the lock again (${requests.length} requests)`);
  const held = await page.evaluate(() => window.vdkTest.locks.filter(l => !l.released).length);
  check(held === 1, `one lock is held while the show plays (${held})`);

  await tap(page, '#screen');
  check(await waitFor(page, () => window.veldrakin.state === 'ended', 10000), 'a tap on the picture ends the show');
  check(await waitFor(page, () => window.vdkTest.locks.every(l => l.released), 10000),
    'the wake lock is let go at the end');
  const endFit = await screenFits(page, 'end');
  check(endFit === 'fits', `the end screen fits the portrait phone (${endFit})`);
  await page.evaluate(() => window.vdkTest.setVisibility('hidden'));
  await page.evaluate(() => window.vdkTest.setVisibility('visible'));
  await sleep(300);
  check(await page.evaluate(() => window.vdkTest.requests.length) === 2, 'no lock is asked for after the end');

  await tap(page, '#end');
  check(await waitFor(page, () => window.veldrakin.state === 'playing', 20000), 'a tap on the end screen starts it again');
  check(await waitFor(page, () => window.vdkTest.requests.length === 3, 10000), 'which asks for the lock again');
  await page.keyboard.press('Escape');
  check(await waitFor(page, () => window.veldrakin.state === 'ended', 10000), 'Escape ends it');
  const errors = lines.filter(line => /^(error|pageerror)/.test(line));
  check(errors.length === 0, 'no console error' + (errors.length ? ': ' + errors.slice(0, 3).join(' | ') : ''));
  return page;
}

// Refused, or missing: the show plays all the same, and the console says so
// once however often the page shows again.
async function withoutLockOrFullScreen(browser, url, options) {
  const lines = [];
  const page = await openPhonePage(browser, url, options, lines);
  await page.evaluate(() => window.veldrakin.ready);
  await tap(page, '#start-label');
  const playing = await waitFor(page, () => window.veldrakin.state === 'playing', 20000) &&
    await waitFor(page, () => window.veldrakin.position() > 0.2, 20000);
  for (let i = 0; i < 3; ++i) {
    await page.evaluate(() => window.vdkTest.setVisibility('hidden'));
    await page.evaluate(() => window.vdkTest.setVisibility('visible'));
    await sleep(100);
  }
  await sleep(300);
  const moving = await positionAdvances(page);
  const box = await pictureBox(page);
  const said = lines.filter(line => /screen may dim/.test(line));
  const label = `wake lock ${options.wakeLock}, full screen ${options.fullscreen}`;
  check(playing && moving && Math.abs(box.width - box.viewWidth) < 1 && Math.abs(box.width / box.height - 4 / 3) < 0.01,
    `${label}: the show plays, its picture across the view`);
  check(said.length === 1 && /^warn/.test(said[0]),
    `${label}: the console says so once (${said.length}: ${said[0] || ''})`);
  const requested = await page.evaluate(() => window.vdkTest.requests.length);
  if (options.wakeLock === 'refuse') check(requested === 4, `${label}: asked at start and each time shown (${requested})`);
  await tap(page, '#screen');
  check(await waitFor(page, () => window.veldrakin.state === 'ended', 10000), `${label}: a tap ends it`);
  await page.close();
}

// A missing data file (HTTP 404), and a module that the network loses.
async function failedLoads(browser, url) {
  for (const [file, answer, expected] of [
    ['show.data', request => request.respond({status: 404, contentType: 'text/plain', body: 'gone'}), /show\.data: HTTP 404/],
    ['veldrakin-mt.wasm', request => request.abort('connectionfailed'), /veldrakin-mt\.wasm: network error/],
    ['show-data.js', request => request.respond({status: 503, contentType: 'text/plain', body: 'later'}), /show-data\.js: HTTP 503/],
  ]) {
    const lines = [];
    const page = await openPhonePage(browser, 'about:blank', {wakeLock: 'grant'}, lines);
    await page.setRequestInterception(true);
    page.on('request', request => (request.url().endsWith('/' + file) ? answer(request) : request.continue()));
    await page.goto(url, {waitUntil: 'load'});
    const outcome = await page.evaluate(() => window.veldrakin.ready.then(() => 'ready', error => error.message));
    const screen = await page.evaluate(() => ({state: window.veldrakin.state,
      shown: getComputedStyle(document.getElementById('failed')).display !== 'none',
      text: document.getElementById('failed').innerText}));
    check(screen.state === 'failed' && screen.shown && expected.test(screen.text) && expected.test(outcome),
      `${file} not served: the error screen says "${screen.text.split('\n').filter(Boolean).slice(2, 3).join('')}"`);
    const fit = await screenFits(page, 'failed');
    check(fit === 'fits', `and it fits the portrait phone (${fit})`);
    await page.close();
  }
}

// Chromium's CPU throttling slows the page's main thread, hardly its
// workers: the threaded module's band workers run at full speed under it. So
// the one-thread module, every band on the throttled thread, is measured too,
// as the figure for a phone whose every core is that much slower.
async function throttledBench(browser, url) {
  for (const threads of [true, false]) {
    const page = await browser.newPage();
    await page.setViewport(portrait);
    if (!threads) {
      await page.evaluateOnNewDocument(() => {
        Object.defineProperty(self, 'crossOriginIsolated', {get: () => false});
        delete Navigator.prototype.serviceWorker;
      });
    }
    await page.goto(url, {waitUntil: 'load'});
    await page.evaluate(() => window.veldrakin.ready);
    const title = threads ? 'the phone at 4x CPU throttling, threaded module (its workers unthrottled)'
      : 'the phone at 4x CPU throttling, one-thread module';
    const session = await page.target().createCDPSession();
    await session.send('Emulation.setCPUThrottlingRate', {rate: 4});
    try {
      check(await page.evaluate(() => window.veldrakin.threads) === threads, `${title}: the module asked for`);
      const slowest = await printBench(page, benchFrames, title);
      console.log(`slowest effect (${title}): ${slowest.effect} ${slowest.fps.toFixed(1)} fps`);
    } finally {
      await session.send('Emulation.setCPUThrottlingRate', {rate: 1});
      await page.close();
    }
  }
}

(async () => {
  const server = await serveIsolated(serveScript, siteDir);
  const chromium = await launchChromium();
  try {
    await (await grantedPhone(chromium.browser, server.url)).close();
    await withoutLockOrFullScreen(chromium.browser, server.url, {wakeLock: 'refuse', fullscreen: 'refuse'});
    await withoutLockOrFullScreen(chromium.browser, server.url, {wakeLock: 'missing', fullscreen: 'missing'});
    await failedLoads(chromium.browser, server.url);
    if (benchFrames > 0) await throttledBench(chromium.browser, server.url);
  } finally {
    await chromium.close();
    server.child.kill();
  }
  finish();
})().catch(error => {
  console.log('FAIL ' + (error.stack || error));
  process.exit(1);
});
