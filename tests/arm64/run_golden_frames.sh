#!/usr/bin/env bash
# The golden frames drawn by the aarch64 build under qemu-aarch64 and compared
# exactly with the stored ones: every frame with the widest set (NEON) and
# with the scalar kernels (the golden_frames test, both runs side by side),
# and a frame of each NEON-vectorised effect (the cube flight, the star
# field, the lava) rendered by the aarch64 render tool, pixel for pixel.
# Usage: run_golden_frames.sh SOURCE_DIR CROSS_DIR SHOW_DIR
set -uo pipefail
source_dir=$(cd "$1" && pwd)
cross_dir=$(cd "$2" && pwd)
show_dir=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/qemu_env.sh"
exe="$cross_dir/tests/golden/golden_frames"
render="$cross_dir/veldrakin-render"
expect_aarch64 "$exe" && expect_aarch64 "$render" || exit 1
export VELDRAKIN_SHOW_DIR=$show_dir
golden="$source_dir/tests/golden/frames"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

start=$(date +%s)
for set in neon scalar; do
  mkdir "$work/$set"
  (cd "$work/$set" && VELDRAKIN_ISA=$set qemu-aarch64 "$exe" >out.txt 2>&1; echo $? >code) &
done
wait
code=0
for set in neon scalar; do
  if [ "$(cat "$work/$set/code")" != 0 ] || ! grep -q '^\[  PASSED  \]' "$work/$set/out.txt"; then
    grep -E 'Failure|differ|FAILED' "$work/$set/out.txt" | head -20 >&2
    echo "FAIL: golden frames with $set differ (pictures in $cross_dir/tests/golden/diff)" >&2
    code=1
  fi
  grep -q 'VELDRAKIN_ISA' "$work/$set/out.txt" && { grep VELDRAKIN_ISA "$work/$set/out.txt" >&2; code=1; }
done
frames=$(ls "$golden"/*.png | wc -l)
echo "$frames golden frames with neon and with scalar under qemu-aarch64 in $(( $(date +%s) - start )) s"

# The render tool: one frame of each NEON-vectorised effect.
start=$(date +%s)
positions=()
picked=()
for name in effect_opening_1_002700 effect_starfield_010614 effect_lava_008100; do
  [ -f "$golden/$name.png" ] || { echo "FAIL: no golden frame $name" >&2; exit 1; }
  frame=$((10#${name##*_}))
  positions+=(--at "$(python3 -c "print($frame / 60)")")
  picked+=("$name")
done
mkdir "$work/render"
if ! (cd "$work/render" && qemu-aarch64 "$render" frame "${positions[@]}" --data "$show_dir" --out "$work/render/" \
        >render.log 2>&1); then
  cat "$work/render/render.log" >&2
  echo "FAIL: the aarch64 render tool could not render its frames" >&2
  exit 1
fi
python3 "$here/same_frames.py" "$golden" "$work/render" "${picked[@]}" || code=1
echo "render tool under qemu-aarch64: ${#picked[@]} frames in $(( $(date +%s) - start )) s"
exit $code
