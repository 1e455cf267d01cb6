// What the phone and static-host tests of the page share: their checks,
// the page served by scripts/serve-web.sh on a free port, headless Chromium
// with a profile of its own, and waiting on the page.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const checks = require('./page_checks');

const {check, sleep, addressOf} = checks;
const serveIsolated = checks.isolatedServer;

// Prints the verdict and ends the process with it.
function finish() {
  process.exit(checks.finish());
}

// Headless Chromium; its profile is removed by close().
async function launchChromium(protocolTimeout = 1800000) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    protocolTimeout,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required', `--user-data-dir=${profile}`],
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      fs.rmSync(profile, {recursive: true, force: true});
    },
  };
}

// Polls predicate in the page (tolerating a page that is navigating) until
// it holds or ms have passed.
async function waitFor(page, predicate, ms, ...args) {
  const until = Date.now() + ms;
  for (;;) {
    try {
      if (await page.evaluate(predicate, ...args)) return true;
    } catch (error) {
      if (!/context|navigat|Target closed|detached/i.test(String(error.message))) throw error;
    }
    if (Date.now() > until) return false;
    await sleep(50);
  }
}

// The page's bench(n) as a table, one effect a line, slowest first; returns
// the slowest effect.
async function printBench(page, frames, title) {
  const report = await page.evaluate(n => window.veldrakin.bench(n), frames);
  const effects = [...report.effects].sort((a, b) => a.fps - b.fps);
  console.log(`${title}: bench(${frames}), show_fps ${report.show_fps.toFixed(1)}`);
  for (const e of effects) {
    console.log(`  ${e.effect.padEnd(24)}${e.fps.toFixed(1).padStart(8)} fps  ${e.ms_median.toFixed(2).padStart(8)} ms`);
  }
  return effects[0];
}

// The bench's frames per effect: VELDRAKIN_PAGE_BENCH_FRAMES, 10 unless set;
// 0 leaves the bench out.
const benchFrames = Number(process.env.VELDRAKIN_PAGE_BENCH_FRAMES || 10);

module.exports = {check, finish, sleep, serveIsolated, addressOf, launchChromium, waitFor, printBench, benchFrames};
