#!/usr/bin/env bash
# Input does not fall behind a moving mouse: after thousands of pointer
# motions the show still ends within 0.5 s of Escape, and within 0.5 s of a
# left click (times from sending the key or click to the end of the process).
set -uo pipefail
binary=$1
data=$2
here=$(dirname "$0")
. "$here/xvfb.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"
start_xvfb || fail "Xvfb"

work=$(mktemp -d)
trap 'rm -rf "$work"; stop_xvfb' EXIT
ln -s "$data/music" "$work/music"
ln -s "$data/_glimmerock" "$work/_glimmerock"
cd "$work"

limit_ms=500
motions=4000
# One xdotool process moving the pointer $motions times over the window.
moves=()
for i in $(seq 1 "$motions"); do
  moves+=(mousemove $(( 100 + (i * 37) % 800 )) $(( 100 + (i * 53) % 560 )))
done

run_once() {
  local action=$1
  "$binary" >stdout.txt 2>stderr.txt &
  local pid=$!
  local id
  id=$(wait_for_window VELDRAKIN_gdi_APP 20) || { cat app.log stderr.txt >&2; fail "no window"; }
  sleep 1
  xdotool "${moves[@]}" || fail "xdotool could not move the pointer"
  kill -0 "$pid" 2>/dev/null || fail "the show ended during the motions"
  local sent
  sent=$(date +%s%N)
  if [ "$action" = Escape ]; then
    xdotool key --window "$id" Escape
  else
    xdotool click 1
  fi
  wait_for_exit "$pid" 30 || { kill "$pid"; fail "the show did not end within 30 s of $action"; }
  local took=$(( ($(date +%s%N) - sent) / 1000000 ))
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after $action"
  echo "$action after $motions pointer motions: the show ended in ${took} ms"
  [ "$took" -le "$limit_ms" ] || fail "$action took ${took} ms behind the motions (limit ${limit_ms} ms)"
  tail -n 2 app.log | grep -q "Closing the app" || fail "app.log does not end with the closing lines"
}

run_once Escape
run_once click
echo "1 passed, 0 failed"
