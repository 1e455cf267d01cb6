#!/usr/bin/env bash
# Configures and builds the aarch64 cross build of the given targets (the
# toolchain file cmake/aarch64-linux-gnu.cmake, the arm64 libraries of
# Debian's multiarch), and checks that they are aarch64 programs that start
# under qemu-aarch64.
# Usage: cross_build.sh SOURCE_DIR CROSS_DIR TARGET...
set -euo pipefail
source_dir=$1
cross_dir=$2
shift 2
# Configured every time (a few seconds), so that targets added since the
# last configure are known to the build that follows.
cmake -S "$source_dir" -B "$cross_dir" \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/aarch64-linux-gnu.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVELDRAKIN_TESTS=ON >/dev/null
start=$(date +%s)
log="$cross_dir/cross_build.log"
if ! cmake --build "$cross_dir" -j2 --target "$@" >"$log" 2>&1; then
  grep -E "error|Error" "$log" | head -40 >&2
  echo "cross build failed; see $log" >&2
  exit 1
fi
grep -E "warning:" "$log" | head -20 || true
echo "cross build of $* ready in $(( $(date +%s) - start )) s"

. "$(dirname "$0")/qemu_env.sh"
for program in "$cross_dir/veldrakin" "$cross_dir/veldrakin-render" "$cross_dir/tests/veldrakin_tests"; do
  expect_aarch64 "$program" || exit 1
done
# The render tool's usage line, through qemu: the program and its libraries load.
usage=$(qemu-aarch64 "$cross_dir/veldrakin-render" --help 2>&1) || true
echo "$usage" | grep -q "frame" || { echo "$usage" >&2; echo "FAIL: veldrakin-render does not start under qemu-aarch64" >&2; exit 1; }
echo "the programs are aarch64 executables and start under qemu-aarch64"
