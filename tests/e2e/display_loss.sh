#!/usr/bin/env bash
# Losing the display is a clean end: when the test's X server dies in the
# middle of the show, the show logs one line saying so, runs its closing path
# ("app_gdi::run finished", "Closing the app") and exits with code 5 within
# two seconds, without a core or a busy loop; the render tool's player ends
# the same way.
set -uo pipefail
binary=$1
render=$2
data=$3
here=$(dirname "$0")
. "$here/xvfb.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"

work=$(mktemp -d)
cleanup() { rm -rf "$work"; stop_xvfb; }
trap cleanup EXIT
ln -s "$data/music" "$work/music"
ln -s "$data/_glimmerock" "$work/_glimmerock"
cd "$work"
ulimit -c unlimited 2>/dev/null || true
expected_code=5

# Starts the command in a fresh X server, kills the server once the loop
# runs, and checks how the program ends.
run_once() {
  local name=$1
  shift
  start_xvfb || fail "Xvfb"
  trap cleanup EXIT  # start_xvfb sets a trap of its own
  : > app.log
  "$@" >stdout.txt 2>stderr.txt &
  local pid=$!
  wait_for_window VELDRAKIN_gdi_APP 30 >/dev/null || { cat app.log stderr.txt >&2; fail "$name: no window"; }
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "$name ended before the display went away"
  local killed
  killed=$(date +%s%N)
  kill -KILL "$XVFB_PID"
  wait "$XVFB_PID" 2>/dev/null
  wait_for_exit "$pid" 5 || {
    grep -E "^(State|Threads):" "/proc/$pid/status" >&2
    kill -KILL "$pid"
    fail "$name still runs 5 s after the display went away"
  }
  local took=$(( ($(date +%s%N) - killed) / 1000000 ))
  echo "$name: exit code $EXIT_CODE ${took} ms after the X server was killed"
  [ "$EXIT_CODE" = "$expected_code" ] || { cat stderr.txt >&2; fail "$name: exit code $EXIT_CODE, expected $expected_code"; }
  ls core* 2>/dev/null && fail "$name left a core"
  local lost
  lost=$(grep -c "lost the display" app.log)
  [ "$lost" = 1 ] || { cat app.log >&2; fail "$name: $lost lines about the lost display"; }
  grep "lost the display" app.log | sed 's/^\[\[[^]]*\]\[[A-Z]*\]\] /  log: /'
  tail -n 1 app.log | grep -q "Closing the app" || { cat app.log >&2; fail "$name: app.log does not end with Closing the app"; }
}

run_once "the show" "$binary"
grep -q "app_gdi::run finished" app.log || fail "the show: no 'app_gdi::run finished'"
run_once "the render tool's player" "$render" play --from 100 --data "$work"
echo "1 passed, 0 failed"
