#!/usr/bin/env bash
# The real show in a virtual X server: it creates and maps exactly one
# top-level window, once (no window replaced when the renderer starts), which
# has the title and class and covers the screen; Escape and a left click end
# it with exit code 0, and so does an Escape pressed while it is still
# loading, once its loop runs; app.log holds the lines of every run.
# The latencies are printed, not judged: a loaded machine draws slowly, and
# a frame must end before its input is handled. Only a show that does not
# end at all (SECONDS_TO_END, default 60) fails.
set -uo pipefail
binary=$1
data=$2
here=$(dirname "$0")
. "$here/xvfb.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"
start_xvfb || fail "Xvfb"

work=$(mktemp -d)
trap '{ [ -z "${XEV_PID:-}" ] || kill "$XEV_PID" 2>/dev/null; }; rm -rf "$work"; stop_xvfb' EXIT
ln -s "$data/music" "$work/music"
ln -s "$data/_glimmerock" "$work/_glimmerock"
cd "$work"
title="Quorvane - Veldrakin Demo"
seconds_to_end=${SECONDS_TO_END:-60}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# Waits up to $1 seconds for the main loop of the run that wrote $2 lines
# of app.log before it.
wait_for_loop() {
  for _ in $(seq 1 $(( $1 * 100 ))); do
    tail -n +"$(( $2 + 1 ))" app.log 2>/dev/null | grep -q "app_gdi::run started" && return 0
    sleep 0.01
  done
  return 1
}
# The windows created and mapped as children of the root window, from the
# events xev recorded: "created ID..." and "mapped ID..." lines.
window_events() {
  awk '/^CreateNotify/ { kind = "created" } /^MapNotify/ { kind = "mapped" }
       /^DestroyNotify/ { kind = "destroyed" }
       kind != "" && /^ +(parent|event) / && match($0, / window 0x[0-9a-f]+/) {
         print kind, substr($0, RSTART + 8, RLENGTH - 8); kind = "" }' xev.txt
}

# Starts the show and checks its window; then ends it with the given action:
# key, click, or early_key (Escape as soon as the window exists, while the
# show may still be loading its pictures and music).
run_once() {
  local action=$1
  local lines
  lines=$(cat app.log 2>/dev/null | wc -l)
  : >xev.txt
  xev -root -event substructure >xev.txt 2>&1 &
  XEV_PID=$!
  sleep 0.3
  local started
  started=$(now_ms)
  "$binary" >stdout.txt 2>stderr.txt &
  local pid=$!
  local id
  id=$(wait_for_window VELDRAKIN_gdi_APP 60) || { cat app.log stderr.txt >&2; fail "no window of class VELDRAKIN_gdi_APP"; }
  local shown=$(( $(now_ms) - started ))
  local sent loop_at=""
  if [ "$action" = early_key ]; then
    sent=$(now_ms)
    xdotool key --window "$id" Escape
    echo "Escape sent $(( sent - started )) ms after the start, the window there after $shown ms"
  else
    wait_for_loop 60 "$lines" || { cat app.log stderr.txt >&2; fail "the show did not start its loop"; }
    loop_at=$(( $(now_ms) - started ))
    sleep 0.5
    [ "$(xdotool getwindowname "$id")" = "$title" ] || fail "window title is '$(xdotool getwindowname "$id")'"
    local geometry
    geometry=$(xdotool getwindowgeometry "$id")
    echo "$geometry" | grep -q "Geometry: 1024x768" || fail "window does not cover the screen: $geometry"
    kill -0 "$pid" 2>/dev/null || fail "the show ended by itself"
    # One top-level window, mapped once and still the same: nothing was
    # destroyed and replaced on the way.
    local mapped destroyed helpers
    mapped=$(window_events | awk '$1 == "mapped" { print $2 }' | sort -u)
    destroyed=$(window_events | awk '$1 == "destroyed" { print $2 }' | sort -u)
    helpers=$(window_events | awk '$1 == "created" { print $2 }' | sort -u | grep -vcxF "$mapped")
    [ "$(printf '0x%x' "$id")" = "$mapped" ] ||
      { window_events >&2; fail "mapped windows '$(echo $mapped)', expected only the show's $(printf '0x%x' "$id")"; }
    [ -z "$destroyed" ] || [ -z "$(grep -xF "$mapped" <<<"$destroyed")" ] ||
      { window_events >&2; fail "the show's window was destroyed while it ran"; }
    echo "one top-level window $mapped mapped, $helpers unmapped helper window(s) created and gone;" \
         "window after $shown ms, loop after $loop_at ms"
    if [ "$action" = key ]; then
      sent=$(now_ms)
      xdotool key --window "$id" Escape
    else
      xdotool mousemove 500 400
      sleep 0.2
      sent=$(now_ms)
      xdotool click 1
    fi
  fi
  wait_for_exit "$pid" "$seconds_to_end" ||
    { kill "$pid"; tail -n 3 app.log >&2; fail "the show did not end within $seconds_to_end s of $action"; }
  local took=$(( $(now_ms) - sent ))
  kill "$XEV_PID" 2>/dev/null
  wait "$XEV_PID" 2>/dev/null
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after $action"
  echo "ended by $action in ${took} ms (process exit included), exit code 0"
  local last two
  last=$(tail -n 2 app.log | sed 's/^\[\[[^]]*\]\[[A-Z]*\]\] //')
  two=$(printf 'app_gdi::run finished\nClosing the app')
  [ "$last" = "$two" ] || { cat app.log >&2; fail "app.log does not end with the closing lines"; }
}
run_once key
run_once click
run_once early_key
runs=$(grep -c "Initializing the application." app.log)
[ "$runs" = 3 ] || fail "app.log holds $runs runs, expected 3"
grep -q "Audio Stream loaded successfully: ./music/KR_VAULT-X2.mp3" app.log || fail "music not loaded"
if grep -q "failed to initialize itself" app.log; then fail "an effect failed to initialise"; fi
echo "1 passed, 0 failed"
