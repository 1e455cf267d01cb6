// Prints the page's bench(n) JSON, measured in headless Chromium on the
// threaded module (the page served by serve-web.sh on a free port).
// Usage: node bench_page.js SITE_DIR SERVE_SCRIPT FRAMES  (NODE_PATH: puppeteer-core)
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [siteDir, serveScript, frames] = process.argv.slice(2);

(async () => {
  const server = spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: siteDir},
    stdio: ['ignore', 'pipe', 'inherit']});
  const url = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', chunk => {
      text += chunk;
      const match = /http:\/\/127\.0\.0\.1:\d+\//.exec(text);
      if (match) resolve(match[0]);
    });
    server.on('exit', code => reject(new Error('serve-web.sh ended with ' + code)));
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
