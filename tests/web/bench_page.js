// Prints the page's bench(n) JSON, measured in headless Chromium. Served by
// serve-web.sh (cross-origin isolated: the module with threads) or, with
// "plain", by Python's plain file server, which sends no isolation headers,
// as a static host does (the one-thread module). The JSON gets "module":
// "threads" or "one-thread", what the page took.
// Usage: node bench_page.js SITE_DIR SERVE_SCRIPT FRAMES [isolated|plain]
// (NODE_PATH: puppeteer-core)
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [siteDir, serveScript, frames, serving = 'isolated'] = process.argv.slice(2);
if (!['isolated', 'plain'].includes(serving)) {
  console.error(`bench_page.js: serving is "isolated" or "plain", not "${serving}"`);
  process.exit(2);
}

// The server on a free port: its first line of output names the address.
function startServer() {
  if (serving === 'isolated') {
    return spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: siteDir},
      stdio: ['ignore', 'pipe', 'inherit']});
  }
  return spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', siteDir],
    {stdio: ['ignore', 'pipe', 'ignore']});  // its error output is a line per request
}

(async () => {
  const server = startServer();
  const url = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', chunk => {
      text += chunk;
      const match = /http:\/\/127\.0\.0\.1:\d+\//.exec(text);
      if (match) resolve(match[0]);
    });
    server.on('exit', code => reject(new Error('the server ended with ' + code)));
  });
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-chromium-'));
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
    protocolTimeout: 1800000,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`]});
  try {
    const page = await browser.newPage();
    await page.goto(url);
    await page.evaluate(() => window.veldrakin.ready);
    const report = await page.evaluate(n => window.veldrakin.bench(n), Number(frames));
    const threaded = await page.evaluate(() => self.crossOriginIsolated === true &&
      typeof SharedArrayBuffer !== 'undefined');
    report.module = threaded ? 'threads' : 'one-thread';
    if (threaded !== (serving === 'isolated')) {
      console.error(`bench_page.js: served ${serving}, the page took the ${report.module} module`);
    }
    process.stdout.write(JSON.stringify(report) + '\n');
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  process.exit(0);
})().catch(error => {
  console.error(String(error.stack || error));
  process.exit(1);
});
