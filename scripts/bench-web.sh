#!/usr/bin/env bash
# Milliseconds per frame of every effect in headless Chromium (the page's
# bench(N), threaded module) beside the desktop render tool's bench on the
# same machine, run one after the other, with the ratio. Needs ./build-web.sh,
# the Linux build and puppeteer-core in build-wasm/node (tests/web/prepare.sh).
# Usage: scripts/bench-web.sh [FRAMES]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/veldrakin-render bench --data build/show --frames "$frames" --json >"$work/native.json"
NODE_PATH=$PWD/build-wasm/node/node_modules node tests/web/bench_page.js build-web scripts/serve-web.sh \
  "$frames" >"$work/web.json"
python3 - "$work/native.json" "$work/web.json" <<'PY'
import json
import sys

native = {e['effect']: e for e in json.load(open(sys.argv[1]))['effects']}
web_report = json.load(open(sys.argv[2]))
print(f"{'effect':24}{'web ms':>9}{'web fps':>9}{'native ms':>11}{'web/native':>12}")
slowest = None
for e in web_report['effects']:
    n = native.get(e['effect'])
    ratio = e['ms_median'] / n['ms_median'] if n else float('nan')
    print(f"{e['effect']:24}{e['ms_median']:9.2f}{e['fps']:9.1f}{(n['ms_median'] if n else 0):11.2f}{ratio:12.2f}")
    if slowest is None or e['fps'] < slowest['fps']:
        slowest = e
print(f"show mean: web {web_report['show_fps']:.1f} fps; slowest effect {slowest['effect']} "
      f"at {slowest['fps']:.1f} fps (median)")
PY
