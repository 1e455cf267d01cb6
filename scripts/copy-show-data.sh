#!/usr/bin/env bash
# Puts the data folder beside a cross build's programs: the pictures and the
# music come from the build machine's generator, whose data folder
# (build/show, or VELDRAKIN_SHOW_DIR) is copied into OUT when it is newer than
# the copy there. Builds the native tree first when it has no data yet.
# Usage: scripts/copy-show-data.sh OUT
set -euo pipefail
cd "$(dirname "$0")/.."
out=$1
show=${VELDRAKIN_SHOW_DIR:-build/show}
if [ ! -f "$show/music/KR_VAULT-X2.mp3" ]; then
  [ -z "${VELDRAKIN_SHOW_DIR:-}" ] || { echo "no generated data in $show" >&2; exit 1; }
  scripts/build.sh
fi
if [ ! -f "$out/music/KR_VAULT-X2.mp3" ] ||
   [ -n "$(find "$show/music" "$show/_glimmerock" -newer "$out/music/KR_VAULT-X2.mp3" -type f -print -quit)" ]; then
  rm -rf "$out/music" "$out/_glimmerock"
  cp -r "$show/music" "$show/_glimmerock" "$out/"
fi
