// What the page scripts of scripts/bench-web.sh share: a server for the site
// on a free port and a headless Chromium with a profile of its own.
'use strict';

const {spawn} = require('child_process');
const {addressOf} = require('./page_checks');
const {launchChromium} = require('./page_support');

// Serves siteDir: 'isolated' through serveScript (serve-web.sh, with the
// isolation headers: the module with threads), 'plain' through Python's plain
// file server (no headers, as a static host; with openSite's page the
// one-thread module).
// Resolves to {server, url} once the server has printed its address.
async function serveSite(siteDir, serving, serveScript) {
  const server = serving === 'isolated'
    ? spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: siteDir},
      stdio: ['ignore', 'pipe', 'inherit']})
    : spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', siteDir],
      {stdio: ['ignore', 'pipe', 'ignore']});  // its error output is a line per request
  const {url} = await addressOf(server, 'the server');
  return {server, url};
}

// Runs work(page) in a fresh headless Chromium, which is closed afterwards
// with its profile removed.
async function withChromium(work) {
  const chromium = await launchChromium();
  try {
    return await work(await chromium.browser.newPage());
  } finally {
    await chromium.close();
  }
}

// Opens the site served by serveSite. A page from the plain server gets no
// service worker (as in some private windows), since the page's own worker
// would isolate it and give it threads.
async function openSite(page, url, serving) {
  if (serving === 'plain') {
    await page.evaluateOnNewDocument(() => { delete Navigator.prototype.serviceWorker; });
  }
  await page.goto(url);
}

// A page script's whole run: serves siteDir (as serveSite), runs work(page,
// url) in a fresh headless Chromium, prints its report as one line of JSON and
// exits 0; on any error prints it and exits 1. The server is stopped either way.
function printPageReport(siteDir, serving, serveScript, work) {
  (async () => {
    const {server, url} = await serveSite(siteDir, serving, serveScript);
    try {
      const report = await withChromium(page => work(page, url));
      process.stdout.write(JSON.stringify(report) + '\n');
    } finally {
      server.kill();
    }
    process.exit(0);
  })().catch(error => {
    console.error(String(error.stack || error));
    process.exit(1);
  });
}

module.exports = {serveSite, withChromium, openSite, printPageReport};
