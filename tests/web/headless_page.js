// What the page scripts of scripts/bench-web.sh share: a server for the site
// on a free port and a headless Chromium with a profile of its own.
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

// Serves siteDir: 'isolated' through serveScript (serve-web.sh, with the
// isolation headers: the module with threads), 'plain' through Python's plain
// file server (no headers, as a static host: the one-thread module).
// Resolves to {server, url} once the server has printed its address.
function serveSite(siteDir, serving, serveScript) {
  const server = serving === 'isolated'
    ? spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: siteDir},
      stdio: ['ignore', 'pipe', 'inherit']})
    : spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', siteDir],
      {stdio: ['ignore', 'pipe', 'ignore']});  // its error output is a line per request
  return new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', chunk => {
      text += chunk;
      const match = /http:\/\/127\.0\.0\.1:\d+\//.exec(text);
      if (match) resolve({server, url: match[0]});
    });
    server.on('exit', code => reject(new Error('the server ended with ' + code)));
  });
}

// Runs work(page) in a fresh headless Chromium, which is closed afterwards
// with its profile removed.
async function withChromium(work) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-chromium-'));
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
    protocolTimeout: 1800000,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`]});
  try {
    return await work(await browser.newPage());
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
}

module.exports = {serveSite, withChromium};
