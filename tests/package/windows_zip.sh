#!/usr/bin/env bash
# The Windows zip as a viewer gets it: unpacked into an empty folder outside
# the source tree, veldrakin.exe started there under Wine (a prefix of this
# test's own) in a virtual X server opens its window, draws the title, ends
# on Escape with exit code 0 and writes app.log beside itself.
# Usage: windows_zip.sh DIST_DIR
set -uo pipefail
dist=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release_env.sh"
. "$here/../e2e/xvfb.sh"

zip=$(release_file "$dist" 'veldrakin-*-windows-x64.zip') || exit 1
command -v wine >/dev/null || fail "wine is not installed (scripts/install-deps.sh --windows)"
start_xvfb || fail "Xvfb"
place=$(mktemp -d)
pid=""
export WINEPREFIX=$place/wineprefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wineserver -k 2>/dev/null; stop_xvfb; rm -rf "$place"' EXIT

folder=$(unpack_zip "$zip" "$place/unpacked") || exit 1
[ -f "$folder/veldrakin.exe" ] && [ -f "$folder/README.txt" ] && [ -f "$folder/music/KR_VAULT-X2.mp3" ] ||
  fail "the zip lacks veldrakin.exe, README.txt or the music"

started=$(date +%s)
wineboot -i >/dev/null 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix"
echo "Wine prefix made in $(( $(date +%s) - started )) s"

cd "$folder"
wine veldrakin.exe >"$place/stdout.txt" 2>"$place/stderr.txt" &
pid=$!
title="Quorvane - Veldrakin Demo"
id=""
for _ in $(seq 1 600); do
  id=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
  [ -n "$id" ] && break
  sleep 0.1
done
[ -n "$id" ] || { cat "$place/stderr.txt" >&2; fail "no window titled '$title'"; }
wait_for_line "app_gdi::run started" 30 app.log || fail "the show did not start its loop"
xdotool getwindowgeometry "$id" | grep -q "Geometry: 1024x768" || fail "the window does not cover the screen"
sleep 4  # inside the title sequence (0 to 25 s)
colours=$(screen_colours "$place/screenshot.png")
[ "$colours" -gt 64 ] || fail "the title shows only $colours colours"
echo "the title 4 s after the start: $colours colours"
kill -0 "$pid" 2>/dev/null || fail "the show ended by itself"
xdotool key --window "$id" Escape 2>/dev/null
wait_for_exit "$pid" 15 || fail "the show did not end within 15 s of Escape"
pid=""
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
check_show_log "$folder/app.log"
echo "unpacked into $place, ended by Escape with exit code 0, app.log beside veldrakin.exe"
echo "1 passed, 0 failed"
