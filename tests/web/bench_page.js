// Prints the page's bench(n) JSON, measured in headless Chromium. Served by
// serve-web.sh (cross-origin isolated: the module with threads) or, with
// "plain", by Python's plain file server, which sends no isolation headers,
// as a static host does, to a page without service workers (the one-thread
// module). The JSON gets "module":
// "threads" or "one-thread", what the page took.
// Usage: node bench_page.js SITE_DIR SERVE_SCRIPT FRAMES [isolated|plain]
// (NODE_PATH: puppeteer-core)
'use strict';

const {openSite, printPageReport} = require('./headless_page.js');

const [siteDir, serveScript, frames, serving = 'isolated'] = process.argv.slice(2);
if (!['isolated', 'plain'].includes(serving)) {
  console.error(`bench_page.js: serving is "isolated" or "plain", not "${serving}"`);
  process.exit(2);
}

printPageReport(siteDir, serving, serveScript, async (page, url) => {
  await openSite(page, url, serving);
  await page.evaluate(() => window.veldrakin.ready);
  const result = await page.evaluate(n => window.veldrakin.bench(n), Number(frames));
  const threaded = await page.evaluate(() => self.crossOriginIsolated === true &&
    typeof SharedArrayBuffer !== 'undefined');
  result.module = threaded ? 'threads' : 'one-thread';
  if (threaded !== (serving === 'isolated')) {
    console.error(`bench_page.js: served ${serving}, the page took the ${result.module} module`);
  }
  return result;
});
