// Main-thread processor time per frame of every effect in headless Chromium,
// for the one-thread module: the page served by Python's plain file server
// (no isolation headers) and run without service workers, FRAMES consecutive frames of each effect drawn by
// frame(n) from the middle of its first window, timed by the renderer's
// ThreadTime (DevTools' Performance.getMetrics) and by the clock. Processor
// time moves far less than the clock when other processes share the
// machine, so before/after ratios stay readable there.
// Usage: node frame_cpu_page.js SITE_DIR FRAMES   (NODE_PATH: puppeteer-core)
// Prints {"effects": [{"effect", "cpu_ms", "wall_ms"}, ...]}.
'use strict';

const {openSite, printPageReport} = require('./headless_page.js');

const [siteDir, framesText] = process.argv.slice(2);
const frames = Number(framesText);
if (!siteDir || !Number.isInteger(frames) || frames < 1) {
  console.error('usage: node frame_cpu_page.js SITE_DIR FRAMES');
  process.exit(2);
}

printPageReport(siteDir, 'plain', undefined, async (page, url) => {
  const devtools = await page.target().createCDPSession();
  await devtools.send('Performance.enable');
  await openSite(page, url, 'plain');
  await page.evaluate(() => window.veldrakin.ready);
  if (await page.evaluate(() => window.veldrakin.threads)) {
    throw new Error('the page took the module with threads; its workers would not be counted');
  }
  const threadSeconds = async () =>
    (await devtools.send('Performance.getMetrics')).metrics.find(m => m.name === 'ThreadTime').value;
  // The windows of every effect, from a one-frame bench.
  const effects = (await page.evaluate(() => window.veldrakin.bench(1))).effects.map(e => {
    const [start, end] = e.windows.split(',')[0].split('-').map(Number);
    return {effect: e.effect, first: Math.floor((start + end) / 2 * 60)};
  }).sort((a, b) => a.first - b.first);  // frames only go forward without reopening the show
  const measured = [];
  for (const {effect, first} of effects) {
    await page.evaluate(n => window.veldrakin.frame(n).then(() => 0), first);
    const cpuBefore = await threadSeconds();
    const wallBefore = Date.now();
    await page.evaluate(async (n, count) => {
      for (let i = 1; i <= count; ++i) await window.veldrakin.frame(n + i);
      return 0;
    }, first, frames);
    const cpu = (await threadSeconds() - cpuBefore) * 1000 / frames;
    measured.push({effect, cpu_ms: cpu, wall_ms: (Date.now() - wallBefore) / frames});
  }
  return {effects: measured};
});
