// What the page tests share, whichever engine drives the page: the list of
// checks, PNG decoding, the comparison with the golden frames, the servers,
// and the engine-independent checks of the page's test interface
// (window.veldrakin: ready, start(), state, position(), frame(n), bench(n)).
//
// An engine is reached through a "session": {name, run(fn, ...args),
// pressEscape(), screenshot()}. run calls fn(...args) in the page and gives
// its (awaited) result, so fn must be self-contained and its arguments and
// result plain JSON; screenshot gives a PNG as a Buffer.
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');

const width = 320;
const height = 240;
const failures = [];

function check(condition, what) {
  console.log((condition ? 'ok   ' : 'FAIL ') + what);
  if (!condition) failures.push(what);
  return condition;
}

// Prints the outcome; the process's exit code.
function finish() {
  console.log(failures.length ? `${failures.length} check(s) failed` : 'all checks passed');
  return failures.length ? 1 : 0;
}

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

function paeth(left, up, corner) {
  const p = left + up - corner;
  const pa = Math.abs(p - left);
  const pb = Math.abs(p - up);
  const pc = Math.abs(p - corner);
  return pa <= pb && pa <= pc ? left : pb <= pc ? up : corner;
}

// An 8-bit RGB or RGBA, non-interlaced PNG (a file or its bytes) as RGBA
// bytes, alpha set to 255.
function decodePng(source) {
  const name = Buffer.isBuffer(source) ? 'PNG data' : source;
  const bytes = Buffer.isBuffer(source) ? source : fs.readFileSync(source);
  const signature = Buffer.from([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A]);
  if (bytes.length < 8 || !bytes.subarray(0, 8).equals(signature)) throw new Error(name + ': not a PNG');
  let at = 8;
  let header = null;
  const data = [];
  while (at + 12 <= bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    if (at + 12 + length > bytes.length) throw new Error(name + ': chunk ' + type + ' cut short');
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      header = {w: body.readUInt32BE(0), h: body.readUInt32BE(4), depth: body[8], type: body[9],
        interlace: body[12]};
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  if (!header || header.depth !== 8 || (header.type !== 2 && header.type !== 6) || header.interlace) {
    throw new Error(name + ': not an 8-bit RGB(A) non-interlaced PNG');
  }
  const channels = header.type === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = header.w * channels;
  if (raw.length < (stride + 1) * header.h) throw new Error(name + ': image data cut short');
  const rows = Buffer.alloc(stride * header.h);
  for (let y = 0; y < header.h; ++y) {
    const filter = raw[y * (stride + 1)];
    if (filter > 4) throw new Error(name + ': unknown row filter ' + filter);
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const left = x >= channels ? rows[y * stride + x - channels] : 0;
      const up = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const corner = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += left;
      else if (filter === 2) value += up;
      else if (filter === 3) value += (left + up) >> 1;
      else if (filter === 4) value += paeth(left, up, corner);
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

// Pixels that differ in any colour channel, and the largest channel
// difference, over two RGBA pictures of the show's size.
function compare(expected, actual) {
  if (expected.length !== width * height * 4 || actual.length !== width * height * 4) {
    return {differing: width * height, largest: 255};
  }
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
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    } catch (e) {
      response.writeHead(400);
      response.end();
      return;
    }
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
    child.on('error', reject);
    child.on('exit', code => reject(new Error(what + ' ended with ' + code)));
  });
}

// serve-web.sh on a port it picks itself; resolves with the process and its
// URL.
function isolatedServer(serveScript, folder) {
  const child = spawn(serveScript, ['0'], {env: {...process.env, VELDRAKIN_WEB_DIR: folder},
    stdio: ['ignore', 'pipe', 'inherit']});
  return addressOf(child, 'serve-web.sh');
}

// Page-side: frame(n) as base64 (a string carries over every protocol).
function frameAsBase64(n) {
  return window.veldrakin.frame(n).then(pixels => {
    let binary = '';
    for (let i = 0; i < pixels.length; i += 0x8000) {
      binary += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
    }
    return btoa(binary);
  });
}

async function pageFrame(session, n) {
  return Buffer.from(await session.run(frameAsBase64, n), 'base64');
}

// Polls a page-side predicate (no arguments) until it holds or ms pass.
async function waitFor(session, predicate, ms) {
  const until = Date.now() + ms;
  for (;;) {
    if (await session.run(predicate)) return true;
    if (Date.now() > until) return false;
    await sleep(50);
  }
}

// Page-side: how far this document is with window.veldrakin.ready
// ('absent', 'waiting', 'ready' or 'failed: ...'), and which document it is.
function readiness() {
  const v = window.veldrakin;
  if (v && !window.veldrakinTestProbe) {
    window.veldrakinTestProbe = 'waiting';
    Promise.resolve(v.ready).then(() => { window.veldrakinTestProbe = 'ready'; },
      error => { window.veldrakinTestProbe = 'failed: ' + error; });
  }
  return {document: performance.timeOrigin, state: v ? window.veldrakinTestProbe : 'absent'};
}

// Waits until the page is ready, and still the same document a second
// later: a page may reload itself once as it loads (to come under a service
// worker, say), and the checks must run in the page that stays. Calls that
// fail while the page navigates are tried again. Resolves with true, or
// with false after ms or once ready has failed.
async function pageReady(session, ms = 300000) {
  const until = Date.now() + ms;
  let seen = null;
  let last = 'no answer';
  while (Date.now() < until) {
    let now = null;
    try {
      now = await session.run(readiness);
    } catch (error) {
      last = String(error.message || error).split('\n')[0];
    }
    if (now) {
      last = now.state;
      if (/^failed/.test(now.state)) break;
      if (now.state === 'ready' && seen && seen.document === now.document) return true;
      seen = now.state === 'ready' ? now : null;
    }
    await sleep(seen ? 1000 : 200);
  }
  console.log(`${session.name}: the page is not ready (${last})`);
  return false;
}

// For an engine whose driver does not pass the console on: from now on,
// the page's uncaught errors, unhandled rejections and console.error lines
// are kept in the page, for pageErrors to collect.
function watchErrors(session) {
  return session.run(() => {
    if (window.veldrakinTestErrors) return;
    const errors = window.veldrakinTestErrors = [];
    addEventListener('error', event => errors.push('page error: ' + event.message));
    addEventListener('unhandledrejection', event => errors.push('unhandled rejection: ' + event.reason));
    const original = console.error;
    console.error = (...parts) => {
      errors.push(parts.map(String).join(' '));
      original.apply(console, parts);
    };
  });
}

function pageErrors(session) {
  return session.run(() => (window.veldrakinTestErrors || ['the error watch is gone (the page reloaded?)']).slice());
}

// The golden frames (effect_NAME_FRAME.png), in frame order.
function goldenList(goldenDir) {
  return fs.readdirSync(goldenDir).filter(name => /_\d+\.png$/.test(name))
    .map(name => ({name, frame: Number(/_(\d+)\.png$/.exec(name)[1]), effect: name.replace(/_\d+\.png$/, '')}))
    .sort((a, b) => a.frame - b.frame);
}

// Draws every golden frame's position with frame(n) and compares it with the
// golden picture; prints a line per effect. Gives the frames drawn (frame
// number -> RGBA) and the totals.
async function drawGoldenFrames(session, goldenDir) {
  const ordered = goldenList(goldenDir);
  const perEffect = new Map();
  const frames = new Map();
  let differing = 0;
  let largest = 0;
  const started = Date.now();
  for (const {name, frame, effect} of ordered) {
    const expected = decodePng(path.join(goldenDir, name)).rgba;
    const actual = await pageFrame(session, frame);
    frames.set(frame, actual);
    const result = compare(expected, actual);
    const entry = perEffect.get(effect) || {frames: 0, differing: 0, largest: 0};
    entry.frames += 1;
    entry.differing += result.differing;
    entry.largest = Math.max(entry.largest, result.largest);
    perEffect.set(effect, entry);
    differing += result.differing;
    largest = Math.max(largest, result.largest);
  }
  console.log(`${session.name}: ${ordered.length} golden frames drawn in ` +
    `${((Date.now() - started) / 1000).toFixed(1)} s`);
  console.log('effect                    frames  differing pixels  largest difference');
  for (const [effect, entry] of [...perEffect].sort()) {
    console.log(`${effect.padEnd(26)}${String(entry.frames).padStart(6)}${String(entry.differing).padStart(18)}` +
      `${String(entry.largest).padStart(20)}`);
  }
  check(ordered.length > 0, `golden frames found (${ordered.length})`);
  return {frames, count: ordered.length, pixels: ordered.length * width * height, differing, largest};
}

// Every golden frame's position drawn with the golden frame's very bits.
async function goldenFramesIdentical(session, goldenDir) {
  const result = await drawGoldenFrames(session, goldenDir);
  check(result.count > 0 && result.differing === 0,
    `${session.name}: every golden frame identical (${result.differing} of ${result.pixels} pixels differ, ` +
    `largest difference ${result.largest})`);
  return result;
}

// Which module the page loaded, and whether that is the one the engine's
// abilities call for: the threaded one exactly when the page is
// cross-origin isolated and has SharedArrayBuffer. Prints it; gives the
// facts.
async function moduleInUse(session) {
  const facts = await session.run(() => ({
    isolated: self.crossOriginIsolated === true,
    shared: typeof SharedArrayBuffer !== 'undefined',
    threads: window.veldrakin.threads,
    modules: performance.getEntriesByType('resource').map(entry => entry.name)
      .filter(name => /\/veldrakin-(mt|st)\.js(\?|$)/.test(name))
      .map(name => /veldrakin-(mt|st)\.js/.exec(name)[0]),
  }));
  const loaded = [...new Set(facts.modules)];
  facts.module = loaded.length === 1 ? loaded[0] : loaded.join(' + ') || 'none';
  const wanted = facts.isolated && facts.shared ? 'veldrakin-mt.js' : 'veldrakin-st.js';
  console.log(`${session.name} ran ${facts.module} (crossOriginIsolated ${facts.isolated}, ` +
    `SharedArrayBuffer ${facts.shared ? 'present' : 'missing'})`);
  check(facts.module === wanted, `${session.name}: the page loaded one module, the one its abilities call for ` +
    `(${wanted})`);
  if (facts.threads !== undefined) {
    check(facts.threads === (wanted === 'veldrakin-mt.js'), `${session.name}: veldrakin.threads agrees`);
  }
  return facts;
}

// Clearly lit pixels of a screenshot, as a share of all.
function litShare(png) {
  const picture = decodePng(png);
  let lit = 0;
  for (let i = 0; i < picture.w * picture.h; ++i) {
    const r = picture.rgba[4 * i];
    const g = picture.rgba[4 * i + 1];
    const b = picture.rgba[4 * i + 2];
    if (Math.max(r, g, b) > 40) ++lit;
  }
  return {lit, share: lit / (picture.w * picture.h), w: picture.w, h: picture.h};
}

// The share of pixels that differ between two screenshots (all of them
// when their sizes differ).
function changedShare(first, second) {
  const a = decodePng(first);
  const b = decodePng(second);
  if (a.w !== b.w || a.h !== b.h) return 1;
  let changed = 0;
  for (let i = 0; i < a.w * a.h; ++i) {
    if (a.rgba[4 * i] !== b.rgba[4 * i] || a.rgba[4 * i + 1] !== b.rgba[4 * i + 1] ||
        a.rgba[4 * i + 2] !== b.rgba[4 * i + 2]) ++changed;
  }
  return changed / (a.w * a.h);
}

// start() -> "playing", the position following real time, the show on the
// screen, Escape -> "ended" with the position kept. onStarted(begun), if
// given, runs once start() has settled, begun being Date.now() at the call.
async function playAndEscape(session, onStarted) {
  check(await session.run(() => window.veldrakin.state) === 'start', `${session.name}: the page opens on "start"`);
  const begun = Date.now();
  const started = await session.run(() => window.veldrakin.start());
  check(started === true, `${session.name}: start() sets the show up`);
  if (onStarted) await onStarted(begun);
  check(await session.run(() => window.veldrakin.state) === 'playing', `${session.name}: the state is "playing"`);

  // Position and the page's own clock read in one call, so that the
  // protocol's round trips do not enter the comparison.
  const samples = [];
  for (let i = 0; i < 9; ++i) {
    samples.push(await session.run(() => ({at: performance.now(), position: window.veldrakin.position()})));
    await sleep(250);
  }
  const first = samples[0];
  const last = samples[samples.length - 1];
  const real = (last.at - first.at) / 1000;
  const heard = last.position - first.position;
  check(samples.every((s, i) => i === 0 || s.position >= samples[i - 1].position),
    `${session.name}: the position never goes backwards (${samples.map(s => s.position.toFixed(2)).join(' ')})`);
  check(real > 1 && Math.abs(heard - real) < 0.3,
    `${session.name}: the position advances with real time (${heard.toFixed(3)} s over ${real.toFixed(3)} s)`);

  // On the screen: lit, and moving (the title rises in these seconds; the
  // start and end screens stand still).
  const before = await session.screenshot();
  await sleep(700);
  const after = await session.screenshot();
  const shot = litShare(after);
  const moved = changedShare(before, after);
  check(shot.share > 0.002 && moved > 0.001, `${session.name}: the playing show is on the screen ` +
    `(${(100 * shot.share).toFixed(2)} % of ${shot.w} x ${shot.h} pixels lit, ${(100 * moved).toFixed(2)} % ` +
    'changed over 0.7 s)');

  await session.pressEscape();
  check(await waitFor(session, () => window.veldrakin.state === 'ended', 3000), `${session.name}: Escape leads to "ended"`);
  const ended = await session.run(() => window.veldrakin.position());
  check(ended >= last.position, `${session.name}: position() keeps where the show ended (${ended.toFixed(2)} s)`);
  return {ended};
}

// bench(frames): checks the report's shape and prints its figures (the
// page's speed in this engine; no limit on it).
async function benchFigures(session, frames) {
  const report = await session.run(n => window.veldrakin.bench(n), frames);
  const effects = (report && report.effects) || [];
  check(effects.length === 20 && report.frames_per_effect === frames && typeof report.show_fps === 'number' &&
        report.machine && effects.every(e => e.frames === frames && e.ms_median > 0 && e.fps > 0),
  `${session.name}: bench(${frames}) gives the benchmark's JSON (${effects.length} effects)`);
  console.log(`${session.name}: bench(${frames}), ${report && report.machine ? JSON.stringify(report.machine) : ''}`);
  console.log('effect                      ms median       fps');
  let slowest = null;
  for (const e of effects) {
    console.log(`${String(e.effect).padEnd(26)}${Number(e.ms_median).toFixed(2).padStart(11)}` +
      `${Number(e.fps).toFixed(1).padStart(10)}`);
    if (!slowest || e.fps < slowest.fps) slowest = e;
  }
  if (slowest) {
    console.log(`${session.name}: show mean ${Number(report.show_fps).toFixed(1)} fps; slowest effect ` +
      `${slowest.effect} at ${Number(slowest.fps).toFixed(1)} fps`);
  }
  return report;
}

module.exports = {
  width, height, check, finish, sleep, pageReady, watchErrors, pageErrors, decodePng, compare, plainServer, addressOf, isolatedServer, frameAsBase64,
  pageFrame, waitFor, goldenList, drawGoldenFrames, goldenFramesIdentical, moduleInUse, litShare, changedShare,
  playAndEscape, benchFigures,
};
