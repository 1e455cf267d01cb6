// The page from a static host that sends no headers of its own: a copy of
// the built site, its files dated a year back as an older release unpacked
// there would be, served by `python3 -m http.server` on a port it picks:
// - the first visit installs the page's service worker and reloads once;
//   then the page is cross-origin isolated and runs the threaded module,
//   though the server itself sends no isolation header;
// - the page names itself for link previews (description, Open Graph title,
//   description and image), and the image and the icon are served as PNGs
//   of the sizes it declares;
// - the page's bench is printed (no time is checked);
// - a file changed on the server, as a new release changes it, is what the
//   next load gets, although the browser's cache would still count the old
//   one as fresh;
// - opened from the disk (a file: address), the page says what failed and
//   why it could have no threads there.
//
// Usage: node static_host_test.js SITE_DIR  (NODE_PATH: puppeteer-core)
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const {check, finish, addressOf, launchChromium, waitFor, printBench, benchFrames} = require('./page_support');

const [siteDir] = process.argv.slice(2);

// The site copied into a folder of the test's own, every file dated a year
// back.
function copySite() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-static-'));
  const year = new Date(Date.now() - 365 * 24 * 3600 * 1000);
  for (const name of fs.readdirSync(siteDir)) {
    const target = path.join(folder, name);
    fs.copyFileSync(path.join(siteDir, name), target);
    fs.utimesSync(target, year, year);
  }
  return folder;
}

// A response straight from the server: status, headers and body.
function get(url) {
  return new Promise((resolve, reject) => {
    http.get(url, response => {
      const chunks = [];
      response.on('data', chunk => chunks.push(chunk));
      response.on('end', () => resolve({status: response.statusCode, headers: response.headers,
        body: Buffer.concat(chunks)}));
    }).on('error', reject);
  });
}

function pngSize(bytes) {
  const signature = bytes.subarray(0, 8).toString('hex') === '89504e470d0a1a0a';
  return signature && bytes.toString('latin1', 12, 16) === 'IHDR'
    ? {width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20)} : null;
}

// The content of <meta name|property="key" content="...">.
function metaContent(html, key) {
  const tag = new RegExp(`<meta\\s+(?:name|property)="${key.replace(/[.:]/g, '\\$&')}"\\s+content="([^"]*)"`).exec(html);
  return tag ? tag[1] : null;
}

async function linkPreview(url) {
  const html = (await get(url)).body.toString();
  const fields = ['description', 'og:title', 'og:description', 'og:image'].map(key => [key, metaContent(html, key)]);
  check(fields.every(([, value]) => value && value.length > 10 || /image/.test(value || '')),
    'the page has a description and the Open Graph title, description and image: ' +
    fields.map(([key, value]) => `${key}="${value}"`).join(', '));
  const image = await get(new URL(metaContent(html, 'og:image') || 'none', url).href);
  const imageSize = image.status === 200 ? pngSize(image.body) : null;
  const declared = [metaContent(html, 'og:image:width'), metaContent(html, 'og:image:height')].map(Number);
  check(imageSize && imageSize.width === declared[0] && imageSize.height === declared[1] &&
        Math.abs(imageSize.width / imageSize.height - 1.91) < 0.1,
  `the preview image is a PNG of the declared size, about 1.91:1 (${JSON.stringify(imageSize)}, declared ${declared})`);
  const iconLink = /<link rel="icon" type="image\/png" href="([^"]+)">/.exec(html);
  const icon = iconLink ? await get(new URL(iconLink[1], url).href) : null;
  const iconSize = icon && icon.status === 200 ? pngSize(icon.body) : null;
  check(iconSize && iconSize.width === iconSize.height && iconSize.width >= 32,
    `the icon is a square PNG (${iconLink ? iconLink[1] : 'no <link rel="icon">'}: ${JSON.stringify(iconSize)})`);
}

(async () => {
  const folder = copySite();
  const server = await addressOf(spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
    '--directory', folder], {stdio: ['ignore', 'pipe', 'ignore']}), 'python3 -m http.server');
  const chromium = await launchChromium();
  try {
    const direct = await get(server.url);
    check(direct.status === 200 && !direct.headers['cross-origin-opener-policy'] &&
          !direct.headers['cross-origin-embedder-policy'], 'the server itself sends no isolation header');
    await linkPreview(server.url);

    const page = await chromium.browser.newPage();
    const errors = [];
    page.on('console', message => { if (message.type() === 'error') errors.push(message.text()); });
    page.on('pageerror', error => errors.push('page error: ' + error.message));
    let loads = 0;
    page.on('load', () => ++loads);
    await page.goto(server.url, {waitUntil: 'load'});
    const isolated = await waitFor(page, () => self.crossOriginIsolated === true && !!navigator.serviceWorker.controller &&
      !!window.veldrakin, 30000);
    await page.evaluate(() => window.veldrakin.ready);
    check(isolated && loads === 2, `after one reload of its own the page is cross-origin isolated (${loads} loads)`);
    const threads = await page.evaluate(() => ({threads: window.veldrakin.threads,
      note: document.getElementById('start-note').textContent}));
    check(threads.threads && threads.note === '', `it runs the threaded module, the start screen without a note (${threads.note})`);
    check(await page.evaluate(() => fetch('page.js').then(r => r.headers.get('Cross-Origin-Embedder-Policy') + ' ' +
      r.headers.get('Cross-Origin-Opener-Policy'))) === 'require-corp same-origin',
    'its service worker passes the site\'s files on with both headers');

    if (benchFrames > 0) {
      const slowest = await printBench(page, benchFrames, 'static host, no headers');
      console.log(`slowest effect from the static host: ${slowest.effect} ${slowest.fps.toFixed(1)} fps (the bar is 60)`);
    }

    // A new release: page.js changes on the server. The copy the browser
    // holds is a year old by its date, which HTTP caches count as fresh for
    // weeks; the next load must fetch the new one all the same.
    const pageScript = path.join(folder, 'page.js');
    fs.appendFileSync(pageScript, '\nwindow.veldrakinRelease = "next";\n');
    await page.goto(server.url, {waitUntil: 'load'});
    await page.evaluate(() => window.veldrakin.ready);
    const after = await page.evaluate(() => ({release: window.veldrakinRelease, isolated: self.crossOriginIsolated,
      threads: window.veldrakin.threads}));
    check(after.release === 'next' && after.isolated && after.threads,
      `the next load runs the changed page.js, still isolated and threaded (${JSON.stringify(after)}, ${loads} loads)`);
    check(loads === 3, 'and without another reload of its own');
    check(errors.length === 0, 'no console error' + (errors.length ? ': ' + errors.slice(0, 5).join(' | ') : ''));
    await page.close();

    // From the disk: no service worker, and no files either.
    const local = await chromium.browser.newPage();
    await local.goto('file://' + path.join(folder, 'index.html'), {waitUntil: 'load'});
    const outcome = await local.evaluate(() => window.veldrakin.ready.then(() => 'ready', error => error.message));
    const screens = await local.evaluate(() => ({state: window.veldrakin.state,
      note: document.getElementById('start-note').textContent,
      failed: document.getElementById('failed-note').textContent}));
    check(screens.state === 'failed' && /show\.data: network error/.test(outcome) && /web server/.test(screens.failed),
      `opened from the disk, the error screen names the file and the way out (${screens.failed})`);
    check(/one thread/.test(screens.note) && /file:/.test(screens.note),
      `and the start screen's note says why there are no threads (${screens.note.slice(0, 90)}...)`);
    await local.close();
  } finally {
    await chromium.close();
    server.child.kill();
    fs.rmSync(folder, {recursive: true, force: true});
  }
  finish();
})().catch(error => {
  console.log('FAIL ' + (error.stack || error));
  process.exit(1);
});
