#!/usr/bin/env bash
# The browser zip as a viewer gets it: unpacked into an empty folder outside
# the source tree and served by a plain static server that sends the two
# headers its README names (on a port the system picks), the page loads in
# headless Chromium, is cross-origin isolated, and reaches veldrakin.ready.
# Usage: web_zip.sh DIST_DIR NODE_DIR (puppeteer-core is installed there when
# missing)
set -uo pipefail
dist=$1
node_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release_env.sh"

zip=$(release_file "$dist" 'veldrakin-*-web.zip') || exit 1
command -v chromium >/dev/null || fail "chromium is not installed"
command -v node >/dev/null || fail "node is not installed"
if [ ! -d "$node_dir/node_modules/puppeteer-core" ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm install --prefix "$node_dir" --no-audit --no-fund --silent puppeteer-core@22 ||
    fail "npm install puppeteer-core"
fi
place=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$place"' EXIT

site=$(unpack_zip "$zip" "$place/unpacked") || exit 1
[ -f "$site/index.html" ] && [ -f "$site/README.txt" ] || fail "the zip lacks index.html or README.txt"
grep -q "Cross-Origin-Opener-Policy: same-origin" "$site/README.txt" &&
  grep -q "Cross-Origin-Embedder-Policy: require-corp" "$site/README.txt" ||
  fail "README.txt does not name the headers the page needs"

# The headers as README.txt gives them, on a port the system picks.
python3 - "$site" "$place/port" >"$place/server.log" 2>&1 <<'PY' &
import functools, http.server, os, sys
class handler(http.server.SimpleHTTPRequestHandler):
    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        super().end_headers()
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(handler, directory=sys.argv[1]))
with open(sys.argv[2] + ".part", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(sys.argv[2] + ".part", sys.argv[2])
server.serve_forever()
PY
server=$!
for _ in $(seq 1 100); do [ -f "$place/port" ] && break; sleep 0.1; done
[ -f "$place/port" ] || fail "the static server did not start"
url="http://127.0.0.1:$(cat "$place/port")/index.html"

cat > "$place/check.js" <<'JS'
// Loads the page and waits for window.veldrakin.ready: a promise that must
// resolve, or a flag that must turn true.
const puppeteer = require('puppeteer-core');
(async () => {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--use-gl=swiftshader'],
  });
  let code = 1;
  try {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', e => errors.push(String(e)));
    await page.goto(process.argv[2], {waitUntil: 'load', timeout: 60000});
    const isolated = await page.evaluate(() => self.crossOriginIsolated);
    await page.waitForFunction(() => window.veldrakin && window.veldrakin.ready !== undefined,
                               {timeout: 60000});
    const ready = await page.evaluate(async () => {
      const r = window.veldrakin.ready;
      if (r && typeof r.then === 'function') { await r; return true; }
      for (let i = 0; i < 600 && !window.veldrakin.ready; ++i) await new Promise(f => setTimeout(f, 100));
      return !!window.veldrakin.ready;
    });
    console.log(`crossOriginIsolated ${isolated}, ready ${ready}, page errors ${errors.length}`);
    for (const e of errors) console.log(`page error: ${e}`);
    code = isolated && ready && errors.length === 0 ? 0 : 1;
  } catch (e) {
    console.log(`failed: ${e.message}`);
  }
  await browser.close();
  process.exit(code);
})();
JS
result=$(NODE_PATH="$node_dir/node_modules" timeout 180 node "$place/check.js" "$url" 2>&1)
status=$?
echo "$result"
[ "$status" = 0 ] || fail "the page served from the unpacked zip did not reach veldrakin.ready"
echo "served from $site at $url: cross-origin isolated and ready"
echo "1 passed, 0 failed"
