#!/usr/bin/env bash
# The NEON set under qemu-aarch64: its lane operations, its rounded maths and
# products against the scalar ones, and every vectorised effect's kernel
# drawing the scalar kernel's bits with it. A skipped test fails here: on
# aarch64 every one of them runs.
# Usage: run_neon_kernels.sh CROSS_DIR SHOW_DIR
set -uo pipefail
cross_dir=$(cd "$1" && pwd)
show_dir=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/qemu_env.sh"
exe="$cross_dir/tests/veldrakin_tests"
expect_aarch64 "$exe" || exit 1
export VELDRAKIN_SHOW_DIR=$show_dir
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
start=$(date +%s)
qemu-aarch64 "$exe" --gtest_filter='*/neon:*_neon' >out.txt 2>&1
code=$?
seconds=$(( $(date +%s) - start ))
grep -E '^\[       OK \]|^\[  FAILED  \]|^\[  SKIPPED \]' out.txt | sed -E 's/^\[ *([A-Z]+) *\] /\1 /' | sort -u
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' out.txt)
kernels=$(grep -c '^\[       OK \] every_kernel/vector_kernels\..*_neon' out.txt)
if grep -q '^\[  SKIPPED \]' out.txt; then
  echo "FAIL: NEON tests were skipped on aarch64" >&2
  code=1
fi
# Eight vectorised effects at least, and the lane operations, maths and products.
if [ "${kernels:-0}" -lt 8 ] || [ "${ran:-0}" -lt 11 ]; then
  echo "FAIL: $ran NEON tests ran, $kernels of them effect kernels" >&2
  code=1
fi
[ "$code" = 0 ] || { grep -B2 -A12 'Failure' out.txt | head -60 >&2; echo "FAIL: the NEON tests failed" >&2; }
echo "NEON under qemu-aarch64: ${ran:-0} tests ($kernels effect kernels), exit code $code in $seconds s"
exit $code
