#!/usr/bin/env bash
# The Windows show under Wine in a virtual X server (after the Win32 window
# unit test, which needs the display): its window, found by
# class "VELDRAKIN_gdi_APP" and title from a Windows program, covers the
# screen as a pop-up without a frame; a screenshot taken inside the first
# scene is not uniform; Escape and a left click each end it with exit code
# 0; and app.log holds the same lines as the Linux show writes.
# Usage: show_window_wine.sh CROSS_DIR SHOW_DIR LINUX_BINARY
set -uo pipefail
cross_dir=$(cd "$1" && pwd)
data=$2
linux_binary=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/xvfb.sh"
. "$here/wine_env.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
exe="$cross_dir/veldrakin.exe"
probe="$cross_dir/tests/windows/window_probe.exe"
[ -f "$exe" ] && [ -f "$probe" ] || fail "no cross build in $cross_dir"
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"
wine_test_prefix "$cross_dir" || fail "wine"
trap wine_test_cleanup EXIT
start_xvfb || fail "Xvfb"
work=$(mktemp -d)
trap 'rm -rf "$work"; wine_test_cleanup; stop_xvfb' EXIT

# The window seam on its own first: placement, presentation read back from
# the window, messages and the closing chain (the unit test needs a display).
tests="$cross_dir/tests/veldrakin_tests.exe"
[ -f "$tests" ] || fail "no $tests"
seam=$(wine "$tests" --gtest_filter='window_win32*' 2>/dev/null | tr -d '\r')
echo "$seam" | grep -q '^\[  PASSED  \] 1 test' && ! echo "$seam" | grep -q SKIPPED ||
  { echo "$seam" >&2; fail "the Win32 window test did not pass"; }
echo "Win32 window test passed"

mkdir "$work/windows" "$work/linux"
for d in windows linux; do
  ln -s "$data/music" "$work/$d/music"
  ln -s "$data/_glimmerock" "$work/$d/_glimmerock"
done
title="Quorvane - Veldrakin Demo"
shot="$cross_dir/e2e-screenshot.png"

# The messages of a log, without the time and level header and line ends.
messages() { sed -e 's/\r$//' -e 's/^\[\[[^]]*\]\[[A-Z]*\]\] //' "$1"; }

wait_for_log() {
  for _ in $(seq 1 $(( $2 * 10 ))); do
    grep -q "$1" app.log 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# Starts the Windows show, checks its window, ends it with the given action.
run_once() {
  local action=$1
  wine "$exe" >stdout.txt 2>stderr.txt &
  local pid=$!
  local id=""
  for _ in $(seq 1 300); do
    id=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { cat app.log stderr.txt >&2; fail "no window titled '$title'"; }
  wait_for_log "app_gdi::run started" 30 || fail "the show did not start its loop"
  local started
  started=$(date +%s%N)

  local found
  found=$(wine "$probe" 2>/dev/null | tr -d '\r')
  echo "$found" | grep -q "^found 1$" || fail "no window of class VELDRAKIN_gdi_APP titled '$title'"
  echo "$found" | grep -q "^rect 0 0 1024 768$" || fail "window does not cover the screen: $found"
  echo "$found" | grep -q "^client 1024 768$" || fail "client area is not the screen: $found"
  echo "$found" | grep -q "popup 1 caption 0" || fail "not a frameless pop-up: $found"
  xdotool getwindowgeometry "$id" | grep -q "Geometry: 1024x768" || fail "X window is not 1024x768"

  if [ "$action" = key ]; then
    # Inside the title sequence (0 to 25 s of the music, which the silent
    # output plays in real time from the first frame).
    sleep 5
    local at=$(( ($(date +%s%N) - started) / 1000000 ))
    ffmpeg -loglevel error -y -f x11grab -video_size 1024x768 -i "$DISPLAY" -frames:v 1 "$shot" ||
      fail "no screenshot"
    local colours
    colours=$(ffmpeg -loglevel error -i "$shot" -f rawvideo -pix_fmt rgb24 - |
              python3 -c 'import sys; d=sys.stdin.buffer.read(); print(len({d[i:i+3] for i in range(0, len(d), 3)}))')
    [ "$colours" -gt 16 ] || fail "the screenshot at ${at} ms holds $colours colours"
    echo "screenshot ${at} ms into the loop: $colours colours ($shot)"
  fi
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
  wait_for_exit "$pid" 10 || { kill "$pid"; fail "the show did not end within 10 s of $action"; }
  local took=$(( ($(date +%s%N) - sent) / 1000000 ))
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after $action"
  echo "ended by $action in ${took} ms (process exit included), exit code 0"
}

cd "$work/windows"
run_once key
run_once click
runs=$(grep -c "Initializing the application." app.log)
[ "$runs" = 2 ] || fail "app.log holds $runs runs, expected 2"
if grep -q "failed to initialize itself" app.log; then fail "an effect failed to initialise"; fi
grep -q $'\r$' app.log && echo "app.log has Windows line ends (CR LF)"

# The Linux show, ended by Escape in the same X server, for its log.
cd "$work/linux"
"$linux_binary" >stdout.txt 2>stderr.txt &
pid=$!
id=$(wait_for_window VELDRAKIN_gdi_APP 20) || fail "the Linux show opened no window"
wait_for_log "app_gdi::run started" 30 || fail "the Linux show did not start its loop"
xdotool key --window "$id" Escape
wait_for_exit "$pid" 5 || { kill "$pid"; fail "the Linux show did not end"; }

# The same lines, but for the reason a sound device could not be opened.
normalise() { messages "$1" | sed -E 's/^(audio_player::init no audio device) \(.*\)(, playing silently.*)$/\1 (...)\2/'; }
normalise "$work/linux/app.log" > linux.txt
normalise "$work/windows/app.log" | awk 'NR==1, /^Closing the app$/' > windows.txt
diff -u linux.txt windows.txt || fail "app.log differs from the Linux show's"
echo "app.log: the same $(wc -l < linux.txt) lines as on Linux"
echo "1 passed, 0 failed"
