#!/usr/bin/env bash
# The Windows show under Wine leaves the screen saver as it found it: off
# (SPI_GETSCREENSAVEACTIVE, read by another Windows program) while the show
# runs, back on after Escape and after the show closed itself at the end of
# the music, and still off after a show that found it off.
# Usage: screen_saver_wine.sh CROSS_DIR SHOW_DIR
set -uo pipefail
cross_dir=$(cd "$1" && pwd)
data=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/xvfb.sh"
. "$here/wine_env.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
exe="$cross_dir/veldrakin.exe"
render="$cross_dir/veldrakin-render.exe"
probe="$cross_dir/tests/windows/screen_saver_probe.exe"
[ -f "$exe" ] && [ -f "$render" ] && [ -f "$probe" ] || fail "no cross build in $cross_dir"
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"
wine_test_prefix "$cross_dir" || fail "wine"
trap wine_test_cleanup EXIT
start_xvfb || fail "Xvfb"
# A setting changed without writing the user's profile lives in the
# wineserver: one server for the whole test, so that it lasts from the probe
# to the show and from the show to the probe, as it lasts a Windows session.
wineserver -p >/dev/null 2>&1

work=$(mktemp -d)
trap 'rm -rf "$work"; wine_test_cleanup; stop_xvfb' EXIT
ln -s "$data/music" "$work/music"
ln -s "$data/_glimmerock" "$work/_glimmerock"
cd "$work"

saver() { wine "$probe" "$@" 2>/dev/null | tr -d '\r'; }

# Waits up to $2 s until app.log holds $3 lines with $1 (before the show
# writes it, app.log may not exist yet).
wait_for_log() {
  local lines
  for _ in $(seq 1 $(( $2 * 10 ))); do
    lines=$(grep -c "$1" app.log 2>/dev/null)
    [ "${lines:-0}" -ge "$3" ] && return 0
    sleep 0.1
  done
  return 1
}

runs=0
# Sets the screen saver to $1, runs the given command until its loop runs,
# checks the screen saver is off, ends it ("escape" or "itself"), and checks
# the screen saver is $1 again.
run_once() {
  local before=$1 ending=$2
  shift 2
  [ "$(saver "$before")" = "active $before" ] || fail "the probe cannot set the screen saver to $before"
  "$@" >stdout.txt 2>stderr.txt &
  local pid=$!
  runs=$((runs + 1))
  wait_for_log "Initializing the application." 60 "$runs" || fail "no run started"
  local title="Quorvane - Veldrakin Demo" id=""
  for _ in $(seq 1 300); do
    id=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { cat app.log stderr.txt >&2; fail "no window"; }
  sleep 1
  local during
  during=$(saver)
  [ "$during" = "active 0" ] || fail "screen saver during the show: $during"
  if [ "$ending" = escape ]; then
    xdotool key --window "$id" Escape
  fi
  wait_for_exit "$pid" 30 || { kill "$pid"; fail "the show did not end ($ending)"; }
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
  local after
  after=$(saver)
  [ "$after" = "active $before" ] || fail "screen saver after the show ($ending): $after, was $before"
  echo "screen saver $before before, 0 during, $before after the show ended by $ending"
}

run_once 1 escape wine "$exe"
run_once 0 escape wine "$exe"
# The end of the music: the show closes itself (the render tool's player from
# 296 s; its window is the show's window).
run_once 1 itself wine "$render" play --from 296 --windowed 320x240
echo "1 passed, 0 failed"
