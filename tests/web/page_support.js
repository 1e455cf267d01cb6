// What the phone and static-host tests of the page share: their checks,
// the page served by scripts/serve-web.sh on a free port, headless Chromium
// with a profile of its own, and waiting on the page.
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const failures = [];

function check(condition, what) {
  console.log((condition ? 'ok   ' : 'FAIL ') + what);
  if (!condition) failures.push(what);
  return condition;
}

// Prints the verdict and ends the process with it.
function finish() {
  console.log(failures.length ? `${failures.length} check(s) failed` : 'all checks passed');
  process.exit(failures.length ? 1 : 0);
}

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// A server process whose first lines name its address: resolves with the
// process and the first http://127.0.0.1:PORT/ it prints.
function addressOf(child, what) {
  return new Promise((resolve, reject) => {
    let text = '';
    child.stdout.on('data', chunk => {
      text += chunk;
      const match = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(text);
      if (match) resolve({child, url: match[0]});
    });
    child.on('exit', code => reject(new Error(what + ' ended with ' + code)));
  });
}

// scripts/serve-web.sh over the folder, cross-origin isolated, on a free port.
function serveIsolated(serveScript, folder) {
  const child = spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: folder},
    stdio: ['ignore', 'pipe', 'inherit']});
  return addressOf(child, 'serve-web.sh');
}

// Headless Chromium; its profile is removed by close().
async function launchChromium() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    protocolTimeout: 1800000,
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
