#!/usr/bin/env bash
# The same set-up as run.sh, then every test:
#   1. the Release build's tests (unit, golden frames, window end-to-end, fuzz),
#   2. the unit tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the band-threading tests under ThreadSanitizer,
#   4. the long runs last: the whole show unattended, and memory over every frame.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --windows
scripts/build.sh
jobs=$(nproc 2>/dev/null || echo 2)
show_dir=$PWD/build/show

echo "== Release tests"
(cd build && ctest --output-on-failure -j"$jobs" -LE long)

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build-sanitized.sh address
VELDRAKIN_SHOW_DIR=$show_dir ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 build-asan/tests/veldrakin_tests --gtest_brief=1

echo "== ThreadSanitizer (band threading)"
scripts/build-sanitized.sh thread
VELDRAKIN_SHOW_DIR=$show_dir TSAN_OPTIONS=halt_on_error=1 \
  build-tsan/tests/veldrakin_tests --gtest_brief=1 --gtest_filter='bands*:*threads*'

echo "== PNG loader fuzzing"
tests/fuzz/run_fuzz_png.sh 60 "$show_dir"

echo "== Long runs"
(cd build && ctest --output-on-failure -j"$jobs" -L long)
