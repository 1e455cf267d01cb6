#!/usr/bin/env bash
# Milliseconds per frame of every effect in headless Chromium (the page's
# bench(N)).
#
#   scripts/bench-web.sh [--one-thread] [FRAMES]
#       the page beside the desktop render tool's bench on the same machine,
#       run one after the other, with the ratio;
#   scripts/bench-web.sh [--one-thread] --baseline SITE [--rounds R] [FRAMES]
#       another build of the site (a copy of an earlier build-web/) against
#       build-web/, R rounds each (default 3), alternating baseline and
#       current so that both see the same load; per effect the median of the
#       rounds' medians and the speed-up (baseline ms / current ms);
#   scripts/bench-web.sh --cpu --baseline SITE [--rounds R] [FRAMES]
#       the same for the one-thread module with the main thread's processor
#       time per frame instead of the clock (tests/web/frame_cpu_page.js), for
#       a machine that other work shares.
#
# The page is served cross-origin isolated by serve-web.sh (the module with
# threads), or with --one-thread by a plain file server that sends no
# isolation headers, as a static host does (the one-thread module). FRAMES
# defaults to 60. Needs ./build-web.sh, the Linux build (for the desktop
# comparison) and puppeteer-core in build-wasm/node (tests/web/prepare.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
serving=isolated
baseline=
cpu=
rounds=3
frames=60
usage() {
  echo "usage: scripts/bench-web.sh [--one-thread | --cpu] [--baseline SITE [--rounds R]] [FRAMES]" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case "$1" in
    --one-thread) serving=plain ;;
    --cpu) cpu=1; serving=plain ;;
    --baseline) [ $# -ge 2 ] || usage; baseline=$2; shift ;;
    --rounds) [ $# -ge 2 ] || usage; rounds=$2; shift ;;
    -*) usage ;;
    *) frames=$1 ;;
  esac
  shift
done
[[ "$frames" =~ ^[1-9][0-9]*$ ]] || usage
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || usage
[ -z "$cpu" ] || [ -n "$baseline" ] || usage
if [ -n "$baseline" ] && [ ! -f "$baseline/index.html" ]; then
  echo "no $baseline/index.html: give a copy of a built site" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
page_bench() {  # SITE OUTPUT
  if [ -n "$cpu" ]; then
    NODE_PATH=$PWD/build-wasm/node/node_modules node tests/web/frame_cpu_page.js "$1" "$frames" >"$2"
  else
    NODE_PATH=$PWD/build-wasm/node/node_modules node tests/web/bench_page.js "$1" scripts/serve-web.sh \
      "$frames" "$serving" >"$2"
  fi
}

if [ -z "$baseline" ]; then
  build/veldrakin-render bench --data build/show --frames "$frames" --json >"$work/native.json"
  page_bench build-web "$work/web.json"
  python3 - "$work/native.json" "$work/web.json" <<'PY'
import json
import sys

native_report = json.load(open(sys.argv[1]))
native = {e['effect']: e for e in native_report['effects']}
web_report = json.load(open(sys.argv[2]))
print(f"page module: {web_report.get('module', '?')}")
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
bound = web_report.get('starfield_division_bound_ms')
star = next((e for e in web_report['effects'] if e['effect'] == 'effect_starfield'), None)
if bound:
    line = f"star field division bound: web {bound:.2f} ms, native {native_report['starfield_division_bound_ms']:.2f} ms ({native_report['machine']['instruction_set']})"
    if star:
        line += f"; the page's star field at {star['ms_median'] / bound:.2f}x its bound"
    print(line)
PY
  exit 0
fi

for round in $(seq 1 "$rounds"); do
  page_bench "$baseline" "$work/before_$round.json"
  page_bench build-web "$work/after_$round.json"
done
python3 - "$work" "$rounds" "$cpu" <<'PY'
import json
import statistics
import sys

folder, rounds, cpu = sys.argv[1], int(sys.argv[2]), sys.argv[3] == '1'
key = 'cpu_ms' if cpu else 'ms_median'


def load(name):
    reports = [json.load(open(f"{folder}/{name}_{r}.json")) for r in range(1, rounds + 1)]
    medians = {}
    for report in reports:
        for e in report['effects']:
            medians.setdefault(e['effect'], []).append(e[key])
    return reports, {effect: statistics.median(values) for effect, values in medians.items()}


before_reports, before = load('before')
after_reports, after = load('after')
if cpu:
    print(f"one-thread module, main-thread processor ms per frame; {rounds} rounds each, alternating; "
          "median of the rounds")
else:
    modules = sorted({r.get('module', '?') for r in before_reports + after_reports})
    print(f"page module: {', '.join(modules)}; {rounds} rounds each, alternating; median of the rounds")
print(f"{'effect':24}{'before ms':>10}{'fps':>8}{'after ms':>10}{'fps':>8}{'speed-up':>10}")
for effect, ms in after.items():
    old = before.get(effect)
    old_text = f"{old:10.2f}{1000 / old:8.1f}" if old else f"{'-':>10}{'-':>8}"
    speedup = f"{old / ms:10.2f}" if old else f"{'-':>10}"
    print(f"{effect:24}{old_text}{ms:10.2f}{1000 / ms:8.1f}{speedup}")
if not cpu:
    show_before = statistics.median(r['show_fps'] for r in before_reports)
    show_after = statistics.median(r['show_fps'] for r in after_reports)
    print(f"show mean: before {show_before:.1f} fps, after {show_after:.1f} fps")
PY
