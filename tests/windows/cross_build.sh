#!/usr/bin/env bash
# Configures and builds the Windows cross build of the given targets, and
# prepares the Wine prefix the Windows tests share.
# Usage: cross_build.sh SOURCE_DIR CROSS_DIR TARGET...
set -euo pipefail
source_dir=$1
cross_dir=$2
shift 2
# Configured every time (a few seconds), so that targets added since the
# last configure are known to the build that follows.
cmake -S "$source_dir" -B "$cross_dir" \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
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

# The Wine prefix too, once, before the tests that use it run side by side.
. "$(dirname "$0")/wine_env.sh"
start=$(date +%s)
wine_setup "$cross_dir"
echo "Wine prefix ready in $(( $(date +%s) - start )) s"
