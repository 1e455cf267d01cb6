// The show's page in headless Chromium (puppeteer-core, the system's
// chromium): served cross-origin isolated by scripts/serve-web.sh on a port
// it picks itself, the page loads without a console error, draws every
// golden frame as the desktop build does (per effect: identical pixels and
// the largest difference), starts and shows the title, follows the music in
// real time, ends on Escape and on a left click and starts again, and prints
// its bench figures. Served without the isolation headers, the page runs its
// single-thread module and says so, with the same pixels.
//
// Usage: node web_page_test.js SITE_DIR GOLDEN_DIR SERVE_SCRIPT
// (NODE_PATH must reach puppeteer-core.)
'use strict';

const checks = require('./page_checks');
const support = require('./page_support');

const {check, sleep, width, height} = checks;
const [siteDir, goldenDir, serveScript] = process.argv.slice(2);

async function openPage(browser, url, consoleErrors, logLines, beforeLoad) {
  const page = await browser.newPage();
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  page.on('console', message => {
    if (message.type() === 'error') consoleErrors.push(message.text());
    if (logLines) logLines.push(message.text());
  });
  page.on('pageerror', error => consoleErrors.push('page error: ' + error.message));
  page.on('requestfailed', request => consoleErrors.push('request failed: ' + request.url()));
  await page.goto(url, {waitUntil: 'load'});
  return page;
}

// The page as a session of the shared checks, once it is ready.
async function chromiumSession(page, name) {
  const session = {
    name,
    run: (fn, ...args) => page.evaluate(fn, ...args),
    pressEscape: () => page.keyboard.press('Escape'),
    screenshot: async () => Buffer.from(await page.screenshot({type: 'png'})),
  };
  if (!check(await checks.pageReady(session), `${name}: the page gets ready`)) throw new Error('no page to check');
  return session;
}

// Pixels of the canvas that are clearly lit.
async function litCanvasPixels(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let lit = 0;
    for (let i = 0; i < pixels.length; i += 4) {
      if (Math.max(pixels[i], pixels[i + 1], pixels[i + 2]) > 40) ++lit;
    }
    return lit;
  });
}

async function showRun(page, session, logLines) {
  const startText = await page.evaluate(() => document.getElementById('start').innerText);
  check(/VELDRAKIN/.test(startText) && /click to start/.test(startText) && /Esc/.test(startText),
    'the start screen shows the title, "click to start" and the controls');

  await checks.playAndEscape(session, async begun => {
    let lit = 0;
    while (Date.now() - begun < 2000) {
      lit = await litCanvasPixels(page);
      if (lit > 100) break;
      await sleep(50);
    }
    const shownAfter = Date.now() - begun;
    const position = await page.evaluate(() => window.veldrakin.position());
    check(lit > 100 && position < 25,
      `start() shows the title within 2 s (${lit} lit pixels after ${shownAfter} ms, at ${position.toFixed(2)} s)`);
  });
  check(await page.evaluate(() => getComputedStyle(document.getElementById('end')).display !== 'none'),
    'the end screen shows');
  check(logLines.some(line => /app_gdi::run finished/.test(line)) &&
        logLines.some(line => /Closing the app/.test(line)), 'the log lines reach the console');

  // Started again without a reload, and ended by a left click.
  await page.evaluate(() => window.veldrakin.start());
  check(await page.evaluate(() => window.veldrakin.state) === 'playing', 'the show starts again without a reload');
  await sleep(500);
  const again = await page.evaluate(() => window.veldrakin.position());
  check(again < 3, `it starts from the beginning (${again.toFixed(2)} s)`);
  await page.mouse.click(width / 2, height / 2, {button: 'right'});
  await sleep(300);
  check(await page.evaluate(() => window.veldrakin.state) === 'playing', 'a right click does not end it');
  await page.mouse.click(width / 2, height / 2, {button: 'left'});
  check(await checks.waitFor(session, () => window.veldrakin.state === 'ended', 3000),
    'a left click leads to "ended"');
}

(async () => {
  const isolated = await checks.isolatedServer(serveScript, siteDir);
  const plain = await checks.plainServer(siteDir);
  const chromium = await support.launchChromium(600000);
  const browser = chromium.browser;
  let code = 1;
  try {
    console.log('browser: ' + await browser.version());
    const errors = [];
    const logLines = [];
    const page = await openPage(browser, isolated.url, errors, logLines);
    await page.setViewport({width: 640, height: 480});
    const session = await chromiumSession(page, 'Chromium');
    const facts = await checks.moduleInUse(session);
    check(facts.isolated && facts.shared,
      'served by serve-web.sh, the page is cross-origin isolated and has SharedArrayBuffer, so threads');
    const {frames} = await checks.goldenFramesIdentical(session, goldenDir);
    await showRun(page, session, logLines);
    await checks.benchFigures(session, 10);
    const bad = await page.evaluate(() => window.veldrakin.frame(-1).then(() => 'drawn', e => e.name));
    check(bad === 'RangeError', 'frame(-1) is refused');
    check(errors.length === 0, 'no console error on the isolated page' +
      (errors.length ? ': ' + errors.slice(0, 5).join(' | ') : ''));
    await page.close();

    const plainErrors = [];
    // A browser without service workers here (as private windows can be)
    // cannot have the page's own worker add the headers.
    const single = await openPage(browser, `http://127.0.0.1:${plain.address().port}/`, plainErrors, null,
      () => { delete Navigator.prototype.serviceWorker; });
    const singleSession = await chromiumSession(single, 'Chromium without the isolation headers');
    const singleFacts = await checks.moduleInUse(singleSession);
    check(!singleFacts.isolated, 'served without the headers, the page is not cross-origin isolated');
    const note = await single.evaluate(() => document.getElementById('start-note').innerText);
    check(/one thread/.test(note) && /no service worker/.test(note),
      'and the start screen says it runs on one thread, and why');
    for (const n of [...frames.keys()].filter((_, i) => i % 9 === 0)) {
      const same = (await checks.pageFrame(singleSession, n)).equals(frames.get(n));
      check(same, `single-thread frame ${n} has the threaded frame's bits`);
    }
    check(plainErrors.length === 0, 'no console error on the single-thread page' +
      (plainErrors.length ? ': ' + plainErrors.slice(0, 5).join(' | ') : ''));
    code = checks.finish();
  } finally {
    await chromium.close();
    isolated.child.kill();
    plain.close();
  }
  process.exit(code);
})().catch(error => {
  console.log('FAIL ' + (error.stack || error));
  process.exit(1);
});
