#!/usr/bin/env bash
# The NEON set under qemu-aarch64: its lane operations, its rounded maths and
# products against the scalar ones, and the kernel of every effect that has a
# NEON copy (those whose LANE_KERNEL_SETS name LANE_VECTOR_SETS or
# LANE_SET_NEON) drawing the scalar kernel's bits with it. The effects without
# a NEON copy draw with the scalar kernel on aarch64, so their comparison
# would compare it with itself at emulated speed: left out. A skipped test
# fails here: on aarch64 every one of these runs.
# Usage: run_neon_kernels.sh SOURCE_DIR CROSS_DIR SHOW_DIR
set -uo pipefail
source_dir=$(cd "$1" && pwd)
cross_dir=$(cd "$2" && pwd)
show_dir=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/qemu_env.sh"
exe="$cross_dir/tests/veldrakin_tests"
expect_aarch64 "$exe" || exit 1
export VELDRAKIN_SHOW_DIR=$show_dir
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
start=$(date +%s)
effects=$(grep -lE '^#define LANE_KERNEL_SETS .*(LANE_VECTOR_SETS|LANE_SET_NEON)' "$source_dir"/effects/effect_*.cpp |
          sed -E 's|.*/effect_(.*)\.cpp$|\1|' | sort -u)
[ -n "$effects" ] || { echo "FAIL: no effect has a NEON copy" >&2; exit 1; }
filter='*/neon'
for effect in $effects; do filter="$filter:every_kernel/vector_kernels.*/${effect}_neon"; done
echo "effects with a NEON copy: $(echo $effects)"
qemu-aarch64 "$exe" --gtest_filter="$filter" >out.txt 2>&1
code=$?
seconds=$(( $(date +%s) - start ))
grep -E '^\[       OK \]|^\[  FAILED  \]|^\[  SKIPPED \]' out.txt | sed -E 's/^\[ *([A-Z]+) *\] /\1 /' | sort -u
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' out.txt)
kernels=$(grep -c '^\[       OK \] every_kernel/vector_kernels\..*_neon' out.txt)
if grep -q '^\[  SKIPPED \]' out.txt; then
  echo "FAIL: NEON tests were skipped on aarch64" >&2
  code=1
fi
# Every effect with a copy, and the lane operations, maths and products.
for effect in $effects; do
  grep -q "^\[       OK \] every_kernel/vector_kernels\..*/${effect}_neon " out.txt ||
    echo "NOTE: no NEON kernel test ran for effect_$effect (tests/effects/test_instruction_sets.cpp)"
done
if [ "${kernels:-0}" -lt 1 ] || [ "${ran:-0}" -lt 4 ]; then
  echo "FAIL: $ran NEON tests ran, $kernels of them effect kernels" >&2
  code=1
fi
[ "$code" = 0 ] || { grep -B2 -A12 'Failure' out.txt | head -60 >&2; echo "FAIL: the NEON tests failed" >&2; }
echo "NEON under qemu-aarch64: ${ran:-0} tests ($kernels effect kernels), exit code $code in $seconds s"
exit $code
