#!/usr/bin/env bash
# Every picture of the show, and PNG files of every layout and of damaged
# kinds, loaded by the desktop build's PNG loader (libpng) and by the web
# build's (stb_image, under node): the results, sizes and pixels must agree.
# Usage: compare_pictures.sh NATIVE_TOOL WEB_TOOL_JS SHOW_DIR
set -euo pipefail
native=$1
web=$2
show_dir=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$native" --layouts "$work/layouts"
"$native" "$work/layouts" "$show_dir/_glimmerock" >"$work/native.txt" 2>/dev/null
node "$web" "$work/layouts" "$show_dir/_glimmerock" >"$work/web.txt"
count=$(grep -c . "$work/native.txt")
if ! diff "$work/native.txt" "$work/web.txt" >"$work/diff.txt"; then
  echo "FAIL: the loaders disagree (path result width height pixel CRC; < desktop, > web):"
  cat "$work/diff.txt"
  exit 1
fi
pictures=$(find "$show_dir/_glimmerock" -name '*.png' | wc -l)
[ "$pictures" -gt 0 ] || { echo "FAIL: no pictures in $show_dir/_glimmerock"; exit 1; }
echo "ok: $count files ($pictures pictures of the show) load alike on both"
