// The show's page in headless Chromium (puppeteer-core, the system's
// chromium): served cross-origin isolated by scripts/serve-web.sh on a port
// it picks itself, the page loads without a console error, draws every
// golden frame as the desktop build does (per effect: identical pixels and
// the largest difference), starts and shows the title, follows the music in
// real time, ends on Escape and on a left click and starts again. Served
// without the isolation headers, the page runs its single-thread module and
// says so, with the same pixels.
//
// Usage: node web_page_test.js SITE_DIR GOLDEN_DIR SERVE_SCRIPT
// (NODE_PATH must reach puppeteer-core.)
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

const [siteDir, goldenDir, serveScript] = process.argv.slice(2);
const width = 320;
const height = 240;
const failures = [];

function check(condition, what) {
  console.log((condition ? 'ok   ' : 'FAIL ') + what);
  if (!condition) failures.push(what);
  return condition;
}

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// An 8-bit RGB or RGBA, non-interlaced PNG as RGBA bytes.
function decodePng(file) {
  const bytes = fs.readFileSync(file);
  let at = 8;
  let header = null;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      header = {w: body.readUInt32BE(0), h: body.readUInt32BE(4), depth: body[8], type: body[9],
        interlace: body[12]};
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  if (!header || header.depth !== 8 || (header.type !== 2 && header.type !== 6) || header.interlace) {
    throw new Error(file + ': not an 8-bit RGB(A) PNG');
  }
  const channels = header.type === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = header.w * channels;
  const rows = Buffer.alloc(stride * header.h);
  for (let y = 0; y < header.h; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const left = x >= channels ? rows[y * stride + x - channels] : 0;
      const up = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const corner = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += left;
      else if (filter === 2) value += up;
      else if (filter === 3) value += (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - corner;
        const pa = Math.abs(p - left);
        const pb = Math.abs(p - up);
        const pc = Math.abs(p - corner);
        value += pa <= pb && pa <= pc ? left : pb <= pc ? up : corner;
      }
      rows[y * stride + x] = value & 0xFF;
    }
  }
  const rgba = Buffer.alloc(header.w * header.h * 4);
  for (let i = 0; i < header.w * header.h; ++i) {
    rgba[4 * i] = rows[channels * i];
    rgba[4 * i + 1] = rows[channels * i + 1];
    rgba[4 * i + 2] = rows[channels * i + 2];
    rgba[4 * i + 3] = 255;
  }
  return {w: header.w, h: header.h, rgba};
}

// Pixels that differ in any channel, and the largest channel difference.
function compare(expected, actual) {
  let differing = 0;
  let largest = 0;
  for (let i = 0; i < width * height; ++i) {
    let pixel = 0;
    for (let c = 0; c < 3; ++c) pixel = Math.max(pixel, Math.abs(expected[4 * i + c] - actual[4 * i + c]));
    if (pixel > 0) ++differing;
    largest = Math.max(largest, pixel);
  }
  return {differing, largest};
}

// Serves the folder the way serve-web.sh does, less the isolation headers.
function plainServer(folder) {
  const root = path.resolve(folder);
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// scripts/serve-web.sh on a free port; resolves with the process and its URL.
function isolatedServer(folder) {
  const child = spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: folder},
    stdio: ['ignore', 'pipe', 'inherit']});
  return new Promise((resolve, reject) => {
    let text = '';
    child.stdout.on('data', chunk => {
      text += chunk;
      const match = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(text);
      if (match) resolve({child, url: match[0]});
    });
    child.on('exit', code => reject(new Error('serve-web.sh ended with ' + code)));
  });
}

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
  await page.evaluate(() => window.veldrakin.ready);
  return page;
}

// frame(n) of the page as bytes (carried over as base64).
async function pageFrame(page, n) {
  const text = await page.evaluate(async n => {
    const pixels = await window.veldrakin.frame(n);
    let binary = '';
    for (let i = 0; i < pixels.length; i += 0x8000) {
      binary += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
    }
    return btoa(binary);
  }, n);
  return Buffer.from(text, 'base64');
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

async function waitFor(page, predicate, ms) {
  const until = Date.now() + ms;
  for (;;) {
    if (await page.evaluate(predicate)) return true;
    if (Date.now() > until) return false;
    await sleep(50);
  }
}

async function goldenFrames(page) {
  const files = fs.readdirSync(goldenDir).filter(name => /_\d+\.png$/.test(name)).sort();
  const perEffect = new Map();
  let total = 0;
  let identical = 0;
  let largest = 0;
  const ordered = files.map(name => ({name, frame: Number(/_(\d+)\.png$/.exec(name)[1])}))
    .sort((a, b) => a.frame - b.frame);
  const started = Date.now();
  const frames = new Map();
  for (const {name, frame} of ordered) {
    const expected = decodePng(path.join(goldenDir, name)).rgba;
    const actual = await pageFrame(page, frame);
    frames.set(frame, actual);
    const result = compare(expected, actual);
    const effect = name.replace(/_\d+\.png$/, '');
    const entry = perEffect.get(effect) || {frames: 0, differing: 0, largest: 0};
    entry.frames += 1;
    entry.differing += result.differing;
    entry.largest = Math.max(entry.largest, result.largest);
    perEffect.set(effect, entry);
    total += width * height;
    identical += width * height - result.differing;
    largest = Math.max(largest, result.largest);
  }
  console.log(`golden frames: ${ordered.length} drawn in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  console.log('effect                    frames  differing pixels  largest difference');
  for (const [effect, entry] of [...perEffect].sort()) {
    console.log(`${effect.padEnd(26)}${String(entry.frames).padStart(6)}${String(entry.differing).padStart(18)}` +
      `${String(entry.largest).padStart(20)}`);
  }
  const share = identical / total;
  check(ordered.length > 0, `golden frames found (${ordered.length})`);
  check(share >= 0.999, `identical pixels over the golden frames: ${(100 * share).toFixed(4)} % (at least 99.9 %)`);
  check(largest <= 2, `largest channel difference ${largest} (at most 2)`);
  return frames;
}

async function showRun(page, logLines) {
  check(await page.evaluate(() => window.veldrakin.state) === 'start', 'the page opens on the start screen');
  const startText = await page.evaluate(() => document.getElementById('start').innerText);
  check(/VELDRAKIN/.test(startText) && /click to start/.test(startText) && /Esc/.test(startText),
    'the start screen shows the title, "click to start" and the controls');

  const begun = Date.now();
  await page.evaluate(() => window.veldrakin.start());
  let lit = 0;
  while (Date.now() - begun < 2000) {
    lit = await litCanvasPixels(page);
    if (lit > 100) break;
    await sleep(50);
  }
  const shownAfter = Date.now() - begun;
  const position = await page.evaluate(() => window.veldrakin.position());
  check(lit > 100 && position < 25, `start() shows the title within 2 s (${lit} lit pixels after ${shownAfter} ms, at ${position.toFixed(2)} s)`);
  check(await page.evaluate(() => window.veldrakin.state) === 'playing', 'the state is "playing"');

  // The position follows real time (the audio context's clock, or the
  // silent clock without one): compared over two seconds.
  const samples = [];
  for (let i = 0; i < 9; ++i) {
    samples.push(await page.evaluate(() => ({at: performance.now(), position: window.veldrakin.position()})));
    await sleep(250);
  }
  const first = samples[0];
  const last = samples[samples.length - 1];
  const real = (last.at - first.at) / 1000;
  const heard = last.position - first.position;
  check(samples.every((s, i) => i === 0 || s.position >= samples[i - 1].position),
    'the position never goes backwards');
  check(Math.abs(heard - real) < 0.3, `position() follows real time (${heard.toFixed(3)} s over ${real.toFixed(3)} s)`);

  await page.keyboard.press('Escape');
  check(await waitFor(page, () => window.veldrakin.state === 'ended', 3000), 'Escape leads to "ended"');
  check(await page.evaluate(() => getComputedStyle(document.getElementById('end')).display !== 'none'),
    'the end screen shows');
  check(logLines.some(line => /app_gdi::run finished/.test(line)) &&
        logLines.some(line => /Closing the app/.test(line)), 'the log lines reach the console');
  const ended = await page.evaluate(() => window.veldrakin.position());
  check(ended >= last.position, 'position() keeps the position the show ended at');

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
  check(await waitFor(page, () => window.veldrakin.state === 'ended', 3000), 'a left click leads to "ended"');
}

async function benchShape(page) {
  const report = await page.evaluate(() => window.veldrakin.bench(2));
  const effects = report.effects || [];
  check(effects.length === 20 && report.frames_per_effect === 2 && typeof report.show_fps === 'number' &&
        report.machine && effects.every(e => e.frames === 2 && e.ms_median > 0 && e.fps > 0),
    `bench(2) gives the benchmark's JSON (${effects.length} effects, show_fps ${report.show_fps})`);
  const bad = await page.evaluate(() => window.veldrakin.frame(-1).then(() => 'drawn', e => e.name));
  check(bad === 'RangeError', 'frame(-1) is refused');
}

(async () => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'veldrakin-chromium-'));
  const isolated = await isolatedServer(siteDir);
  const plain = await plainServer(siteDir);
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    protocolTimeout: 600000,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required', `--user-data-dir=${profile}`],
  });
  try {
    const errors = [];
    const logLines = [];
    const page = await openPage(browser, isolated.url, errors, logLines);
    await page.setViewport({width: 640, height: 480});
    check(await page.evaluate(() => self.crossOriginIsolated && window.veldrakin.threads),
      'served by serve-web.sh, the page is cross-origin isolated and runs the threaded module');
    const frames = await goldenFrames(page);
    await showRun(page, logLines);
    await benchShape(page);
    check(errors.length === 0, 'no console error on the isolated page' +
      (errors.length ? ': ' + errors.slice(0, 5).join(' | ') : ''));
    await page.close();

    const plainErrors = [];
    // A browser without service workers here (as private windows can be)
    // cannot have the page's own worker add the headers.
    const single = await openPage(browser, `http://127.0.0.1:${plain.address().port}/`, plainErrors, null,
      () => { delete Navigator.prototype.serviceWorker; });
    check(await single.evaluate(() => !self.crossOriginIsolated && !window.veldrakin.threads),
      'served without the headers and without a service worker, the page runs the single-thread module');
    const note = await single.evaluate(() => document.getElementById('start-note').innerText);
    check(/one thread/.test(note) && /no service worker/.test(note), 'and the start screen says so, and why');
    for (const n of [...frames.keys()].filter((_, i) => i % 9 === 0)) {
      const same = (await pageFrame(single, n)).equals(frames.get(n));
      check(same, `single-thread frame ${n} has the threaded frame's bits`);
    }
    check(plainErrors.length === 0, 'no console error on the single-thread page' +
      (plainErrors.length ? ': ' + plainErrors.slice(0, 5).join(' | ') : ''));
  } finally {
    await browser.close();
    isolated.child.kill();
    plain.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  console.log(failures.length ? `${failures.length} check(s) failed` : 'all checks passed');
  process.exit(failures.length ? 1 : 0);
})().catch(error => {
  console.log('FAIL ' + (error.stack || error));
  process.exit(1);
});
