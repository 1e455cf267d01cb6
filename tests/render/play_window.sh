#!/usr/bin/env bash
# The render tool's real-time player in a virtual X server: a window of the
# requested size appears, names the scene of the start position, and Escape
# ends it with exit code 0. The time Escape took is printed; only a player
# that does not end at all (60 s) fails.
set -uo pipefail
tool=$1
data=$2
. "$(dirname "$0")/../e2e/xvfb.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
if [ ! -f "$data/music/KR_VAULT-X2.mp3" ]; then echo "no generated data in $data: skipped"; exit 0; fi
start_xvfb || fail "Xvfb"
work=$(mktemp -d)
trap 'rm -rf "$work"; stop_xvfb' EXIT
ln -s "$data/music" "$work/music"
ln -s "$data/_glimmerock" "$work/_glimmerock"

"$tool" play --from 130 --windowed 640x480 --data "$work" >"$work/stdout.txt" 2>"$work/stderr.txt" &
pid=$!
id=$(wait_for_window VELDRAKIN_gdi_APP 60) || { cat "$work/app.log" "$work/stderr.txt" >&2; fail "no window"; }
for _ in $(seq 1 6000); do
  grep -q "playing from" "$work/stderr.txt" 2>/dev/null && break
  sleep 0.01
done
grep -q "playing from" "$work/stderr.txt" || fail "the player did not start its loop"
geometry=$(xdotool getwindowgeometry "$id")
echo "$geometry" | grep -q "Geometry: 640x480" || fail "window is not 640x480: $geometry"
grep -q "playing from 130.000 s (effect_lava)" "$work/stderr.txt" || fail "stderr: $(cat "$work/stderr.txt")"
kill -0 "$pid" 2>/dev/null || fail "the player ended by itself"
sent=$(date +%s%N)
xdotool key --window "$id" Escape
wait_for_exit "$pid" 60 || { kill "$pid"; fail "the player did not end within 60 s of Escape"; }
took=$(( ($(date +%s%N) - sent) / 1000000 ))
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
tail -n 1 "$work/app.log" | grep -q "Closing the app" || fail "app.log does not end with the closing line"
echo "player window 640x480 at 130 s ended by Escape in $took ms with exit code 0"
