# Sourced by the end-to-end tests: starts Xvfb on a free display number,
# waits until it answers, exports DISPLAY, and stops it on exit.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      Xvfb ":${n}" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":${n}"
      for _ in $(seq 1 100); do
        if xdpyinfo >/dev/null 2>&1; then
          trap 'kill $XVFB_PID 2>/dev/null; wait $XVFB_PID 2>/dev/null' EXIT
          return 0
        fi
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then break; fi
        sleep 0.1
      done
      kill "$XVFB_PID" 2>/dev/null
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
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
