#!/usr/bin/env bash
# The whole show, unattended, in a virtual X server with the silent audio
# output: it plays to the end and closes itself with exit code 0.
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

started=$(date +%s)
"$binary" >stdout.txt 2>stderr.txt &
pid=$!
wait_for_exit "$pid" 340 || { kill "$pid"; tail -n 5 app.log >&2; fail "the show did not close itself within 340 s"; }
took=$(( $(date +%s) - started ))
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE"
last=$(tail -n 2 app.log | sed 's/^\[\[[^]]*\]\[[A-Z]*\]\] //')
[ "$last" = "$(printf 'app_gdi::run finished\nClosing the app')" ] || { tail -n 5 app.log >&2; fail "app.log does not end with the closing lines"; }
[ "$took" -ge 297 ] || fail "the show closed after only $took s"
echo "the whole show played and closed itself after $took s with exit code 0"
echo "1 passed, 0 failed"
