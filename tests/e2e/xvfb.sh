# Sourced by the end-to-end tests: starts a virtual X server of its own,
# exports DISPLAY, and stops it on exit. The server chooses a free display
# number itself (-displayfd) and writes it once it accepts connections, so
# two tests started at the same moment never end up on one server. It never
# resets (-noreset): by default an X server resets when its last client
# leaves and refuses connections meanwhile, so a test that starts a second
# program right after the first ended could find no display.
# Sets XVFB_PID; XVFB_WAITED_MS says how long the server took to come up.
start_xvfb() {
  local dir started
  dir=$(mktemp -d) || return 1
  started=$(date +%s%N)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>"$dir/log" &
  XVFB_PID=$!
  local number=""
  for _ in $(seq 1 300); do
    number=$(head -n 1 "$dir/display" 2>/dev/null)
    case "$number" in
      *[!0-9]* | "") ;;
      *) if [ "$(wc -l <"$dir/display")" -ge 1 ]; then break; fi ;;
    esac
    number=""
    if ! kill -0 "$XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if [ -z "$number" ]; then
    echo "could not start Xvfb: $(tail -n 3 "$dir/log" 2>/dev/null)" >&2
    kill "$XVFB_PID" 2>/dev/null
    rm -rf "$dir"
    return 1
  fi
  rm -rf "$dir"
  export DISPLAY=":$number"
  XVFB_WAITED_MS=$(( ($(date +%s%N) - started) / 1000000 ))
  trap stop_xvfb EXIT
  return 0
}
# Stops the server start_xvfb started, if any. (Never "kill 0": with no
# server, that would signal this test's whole process group, ctest included.)
stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
  fi
}
# Waits up to $2 seconds for a window of class name $1; prints its id.
wait_for_window() {
  local id
  for _ in $(seq 1 $(( $2 * 10 ))); do
    id=$(xdotool search --classname "^$1\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for child process $1 to end; sets EXIT_CODE.
# (Not in a command substitution: only this shell can wait for its child.)
wait_for_exit() {
  local pid=$1
  for _ in $(seq 1 $(( $2 * 100 ))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      EXIT_CODE=$?
      return 0
    fi
    sleep 0.01
  done
  return 1
}
