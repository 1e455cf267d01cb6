#!/usr/bin/env bash
# Every stored golden frame rendered again by the Windows build of the render
# tool (its frame command) under Wine, and compared with the Linux one. The
# two C runtimes' mathematics functions (sine, power, exponential...) may
# round differently in the last bit, which can move a channel by one level
# here and there: compare_frames.py names every such pixel and fails only on
# more than that.
# Usage: run_golden_frames.sh SOURCE_DIR CROSS_DIR SHOW_DIR
set -uo pipefail
source_dir=$1
cross_dir=$(cd "$2" && pwd)
show_dir=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
wine_test_prefix "$cross_dir" || exit 1
trap wine_test_cleanup EXIT
exe="$cross_dir/veldrakin-render.exe"
[ -f "$exe" ] || { echo "no $exe: run the cross build first" >&2; exit 1; }
golden="$source_dir/tests/golden/frames"
out="$cross_dir/golden-frames"
rm -rf "$out"
mkdir -p "$out"

# The frames at 60 per second: <effect>_<frame>.png is frame <frame>.
positions=()
for file in "$golden"/*.png; do
  frame=$(basename "$file" .png)
  frame=$((10#${frame##*_}))
  positions+=(--at "$(python3 -c "print($frame / 60)")")
done
start=$(date +%s)
if ! wine "$exe" frame "${positions[@]}" --data "$(windows_path "$show_dir")" \
       --out "$(windows_path "$out")/" >"$out/render.log" 2>&1; then
  grep -v '^ALSA lib' "$out/render.log" >&2
  echo "FAIL: the Windows render tool could not render the golden frames" >&2
  exit 1
fi
echo "$(( ${#positions[@]} / 2 )) frames rendered under Wine in $(( $(date +%s) - start )) s"
python3 "$here/compare_frames.py" "$golden" "$out"
