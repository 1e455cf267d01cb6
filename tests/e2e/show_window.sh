#!/usr/bin/env bash
# The real show in a virtual X server: its window has the title and class,
# covers the screen, Escape (and a left click) end it with exit code 0 at
# once, and app.log holds the lines of both runs.
set -uo pipefail
binary=$1
data=$2
here=$(dirname "$0")
. "$here/xvfb.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"
start_xvfb || fail "Xvfb"

work=$(mktemp -d)
trap 'rm -rf "$work"; kill ${XVFB_PID:-0} 2>/dev/null' EXIT
ln -s "$data/music" "$work/music"
ln -s "$data/_glimmerock" "$work/_glimmerock"
cd "$work"

title="Quorvane - Veldrakin Demo"

# Starts the show, checks its window, ends it with the given xdotool action.
run_once() {
  local action=$1
  "$binary" >stdout.txt 2>stderr.txt &
  local pid=$!
  local id
  id=$(wait_for_window VELDRAKIN_gdi_APP 20) || { cat app.log stderr.txt >&2; fail "no window of class VELDRAKIN_gdi_APP"; }
  sleep 0.5
  [ "$(xdotool getwindowname "$id")" = "$title" ] || fail "window title is '$(xdotool getwindowname "$id")'"
  local geometry
  geometry=$(xdotool getwindowgeometry "$id")
  echo "$geometry" | grep -q "Geometry: 1024x768" || fail "window does not cover the screen: $geometry"
  kill -0 "$pid" 2>/dev/null || fail "the show ended by itself"
  local sent
  sent=$(date +%s%N)
  if [ "$action" = key ]; then
    xdotool key --window "$id" Escape
  else
    xdotool mousemove 500 400
    sleep 0.2
    sent=$(date +%s%N)
    xdotool click 1
  fi
  wait_for_exit "$pid" 2 || { kill "$pid"; fail "the show did not end within 2 s of $action"; }
  local took=$(( ($(date +%s%N) - sent) / 1000000 ))
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after $action"
  echo "ended by $action in ${took} ms, exit code 0"
  local last two
  last=$(tail -n 2 app.log | sed 's/^\[\[[^]]*\]\[[A-Z]*\]\] //')
  two=$(printf 'app_gdi::run finished\nClosing the app')
  [ "$last" = "$two" ] || { cat app.log >&2; fail "app.log does not end with the closing lines"; }
}

run_once key
run_once click
runs=$(grep -c "Initializing the application." app.log)
[ "$runs" = 2 ] || fail "app.log holds $runs runs, expected 2"
grep -q "Audio Stream loaded successfully: ./music/KR_VAULT-X2.mp3" app.log || fail "music not loaded"
if grep -q "failed to initialize itself" app.log; then fail "an effect failed to initialise"; fi
echo "1 passed, 0 failed"
