// The show's page in another engine than Chromium: Firefox ESR (headless,
// puppeteer-core over WebDriver BiDi) or WebKitGTK (MiniBrowser driven by
// WebKitWebDriver on the display the caller set up). Served cross-origin
// isolated by serve-web.sh on a free port, the page gets ready, loads the
// module the engine's abilities call for (and says which), draws every
// golden frame bit for bit, plays from start() with its position following
// real time, ends on Escape, and prints its bench figures.
//
// Usage: node engine_page_test.js firefox|webkit SITE_DIR GOLDEN_DIR SERVE_SCRIPT
// (NODE_PATH must reach puppeteer-core for firefox; webkit needs DISPLAY.)
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const checks = require('./page_checks');
const {WebDriverSession, startDriver} = require('./webdriver_client');

const {check} = checks;
const [engine, siteDir, goldenDir, serveScript] = process.argv.slice(2);
const benchFrames = 10;
const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// Firefox ESR through puppeteer-core; its console errors are collected.
async function openFirefox(url, cleanup) {
  const puppeteer = require('puppeteer-core');
  const browser = await puppeteer.launch({
    product: 'firefox',
    protocol: 'webDriverBiDi',
    executablePath: '/usr/bin/firefox-esr',
    headless: true,
    protocolTimeout: 900000,
    // Sound may start without a gesture, as after the start click.
    extraPrefsFirefox: {'media.autoplay.default': 0, 'media.autoplay.block-webaudio': false},
  });
  cleanup.push(() => browser.close());
  console.log('browser: ' + await browser.version());
  const page = await browser.newPage();
  const errors = [];
  page.on('console', message => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', error => errors.push('page error: ' + error.message));
  await page.goto(url, {waitUntil: 'load'});
  return {
    name: 'Firefox ESR',
    errors,
    run: (fn, ...args) => page.evaluate(fn, ...args),
    pressEscape: () => page.keyboard.press('Escape'),
    screenshot: async () => Buffer.from(await page.screenshot({type: 'png'})),
  };
}

// WebKitGTK's MiniBrowser through WebKitWebDriver on a free port; its
// caches and settings in a folder of this test's own.
async function openWebKit(url, cleanup) {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-webkit-'));
  cleanup.push(() => fs.rmSync(home, {recursive: true, force: true}));
  const env = {...process.env, HOME: home, XDG_CACHE_HOME: path.join(home, 'cache'),
    XDG_DATA_HOME: path.join(home, 'data'), XDG_CONFIG_HOME: path.join(home, 'config')};
  const driver = await startDriver('WebKitWebDriver', env);
  cleanup.push(() => driver.child.kill());
  const session = await WebDriverSession.open(driver.base,
    {'webkitgtk:browserOptions': {binary: miniBrowser, args: ['--automation']}});
  cleanup.push(() => session.close());
  const caps = session.capabilities || {};
  console.log(`browser: ${caps.browserName || 'MiniBrowser'} ${caps.browserVersion || ''}`.trim());
  await session.setTimeouts({script: 900000, pageLoad: 300000});
  await session.navigate(url);
  return {
    name: 'WebKitGTK',
    errors: null,
    run: (fn, ...args) => session.run(fn, ...args),
    pressEscape: () => session.pressKey('\uE00C'),
    screenshot: () => session.screenshot(),
  };
}

(async () => {
  const cleanup = [];
  let code = 1;
  try {
    const server = await checks.isolatedServer(serveScript, siteDir);
    cleanup.push(() => server.child.kill());
    const open = {firefox: openFirefox, webkit: openWebKit}[engine];
    if (!open) throw new Error('engine: firefox or webkit, not ' + engine);
    const session = await open(server.url, cleanup);

    if (!check(await checks.pageReady(session), `${session.name}: the page gets ready`)) {
      throw new Error('no page to check');
    }
    if (!session.errors) await checks.watchErrors(session);
    const facts = await checks.moduleInUse(session);
    check(facts.isolated, `${session.name}: served by serve-web.sh, the page is cross-origin isolated`);
    if (engine === 'firefox') check(facts.shared, 'Firefox ESR: the isolated page has SharedArrayBuffer, so threads');
    await checks.goldenFramesIdentical(session, goldenDir);
    await checks.playAndEscape(session);
    await checks.benchFigures(session, benchFrames);
    // WebKitWebDriver passes no console on: there, the errors since the
    // page got ready.
    const errors = session.errors || await checks.pageErrors(session);
    check(errors.length === 0, `${session.name}: no console error${session.errors ? '' : ' once ready'}` +
      (errors.length ? ': ' + errors.slice(0, 5).join(' | ') : ''));
    code = checks.finish();
  } catch (error) {
    console.log('FAIL ' + (error.stack || error));
    code = 1;
  } finally {
    for (const step of cleanup.reverse()) {
      try {
        await step();
      } catch (e) {
        // the rest is still cleaned up
      }
    }
  }
  process.exit(code);
})();
