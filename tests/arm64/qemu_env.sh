# Sourced by the arm64 tests. Programs run as `qemu-aarch64 PROGRAM`, without
# -L: qemu then loads them with the dynamic loader of libc6:arm64, the C
# library the multiarch libraries were built against (with the cross
# toolchain's C library from -L, a program's first std::thread never returns).

# Fails with a message unless $1 is a 64-bit ELF file for aarch64.
expect_aarch64() {
  [ -f "$1" ] || { echo "FAIL: no $1: run the cross build first" >&2; return 1; }
  local machine
  machine=$(LC_ALL=C aarch64-linux-gnu-readelf -h "$1" 2>/dev/null | sed -n 's/^ *Machine: *//p')
  [ "$machine" = "AArch64" ] || { echo "FAIL: $1 is not an aarch64 program (machine: '$machine')" >&2; return 1; }
}

# Waits up to $2 seconds for app.log in the working folder to hold $1.
wait_for_log() {
  for _ in $(seq 1 $(( $2 * 10 ))); do
    grep -q "$1" app.log 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# Starts a show in the working folder (the command and its arguments), in
# the X server of start_xvfb (tests/e2e/xvfb.sh): its window must appear
# with the show's title and cover the 1024x768 screen, the show must reach
# its loop, still run a second later, and end with exit code 0 on Escape.
# Emulated, it draws slowly: the waits are long, and only the order counts.
run_show() {
  local title="Quorvane - Veldrakin Demo"
  local started
  started=$(date +%s%N)
  "$@" >stdout.txt 2>stderr.txt &
  local pid=$!
  local id
  id=$(wait_for_window VELDRAKIN_gdi_APP 120) || { cat stderr.txt >&2; kill "$pid"; fail "no window"; }
  local name
  name=$(xdotool getwindowname "$id")
  [ "$name" = "$title" ] || { kill "$pid"; fail "the window is titled '$name'"; }
  xdotool getwindowgeometry "$id" | grep -q "Geometry: 1024x768" ||
    { kill "$pid"; fail "the window does not cover the 1024x768 screen"; }
  wait_for_log "app_gdi::run started" 120 ||
    { cat app.log stderr.txt >&2; kill "$pid"; fail "the show did not start its loop"; }
  local loop=$(( ($(date +%s%N) - started) / 1000000 ))
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "the show ended by itself"
  xdotool key --window "$id" Escape
  wait_for_exit "$pid" 60 || { kill "$pid"; fail "the show did not end within 60 s of Escape"; }
  [ "$EXIT_CODE" = 0 ] || { cat stderr.txt >&2; fail "exit code $EXIT_CODE after Escape"; }
  echo "window and loop after ${loop} ms, ended by Escape with exit code 0"
}
