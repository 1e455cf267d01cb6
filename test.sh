#!/usr/bin/env bash
# The same set-up as run.sh, then every test:
#   1. the Release build's tests (unit, golden frames, real windows under Xvfb,
#      the Windows build under Wine, the render tool, the web build in
#      headless Chromium, Firefox ESR and WebKitGTK, on an emulated phone and
#      from a static host without headers),
#   2. the unit tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#   3. the band-threading tests under ThreadSanitizer,
#   4. a bounded fuzzing run of the PNG loader,
#   5. the release files of package.sh: the .deb installed and run in a
#      debootstrapped Debian 12, the Windows zip under Wine, the web zip in
#      headless Chromium,
#   6. the long runs: every frame of the show rendered offline with its memory
#      watched, and the whole show played unattended in a virtual X server.
#      The unattended show takes its 298 s of real time whatever else runs, so
#      it starts right after the build and plays while the other stages run.
set -euo pipefail
cd "$(dirname "$0")"
started=$(date +%s)
# Each stage's heading says how far into the run it starts.
stage() { echo "== $1 (at $(( $(date +%s) - started )) s)"; }
scripts/install-deps.sh --test
# Every program the tests and scripts run comes from an installed package.
scripts/check-deps.py
scripts/build.sh -DVELDRAKIN_TESTS=ON
jobs=$(nproc 2>/dev/null || echo 2)
show_dir=$PWD/build/show

# ctest lists the unit tests by running the test binary when it is newer than
# the list, and two ctest runs starting together both write that list (twice
# over, or one reading it half written). List them once, before the
# unattended show's ctest and the Release stage's start side by side.
(cd build && ctest -N >/dev/null)
full_show_log=$PWD/build/full_show_unattended.log
(cd build && ctest --output-on-failure -R '^full_show_unattended$' >"$full_show_log" 2>&1) &
full_show=$!

stage "Release tests"
(cd build && ctest --output-on-failure -j"$jobs" -LE 'long|package')

stage "AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build-sanitized.sh address
VELDRAKIN_SHOW_DIR=$show_dir ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 build-asan/tests/veldrakin_tests --gtest_brief=1

stage "ThreadSanitizer (band threading)"
scripts/build-sanitized.sh thread
VELDRAKIN_SHOW_DIR=$show_dir TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/band_tests --gtest_brief=1

stage "PNG loader fuzzing"
tests/fuzz/run_fuzz_png.sh 60 "$show_dir"

stage "Release files (package.sh, then each file tried as a viewer would)"
(cd build && ctest --output-on-failure -L package)

stage "Long runs"
(cd build && ctest --output-on-failure -j"$jobs" -L long -E '^full_show_unattended$')
status=0
wait "$full_show" || status=$?
cat "$full_show_log"
echo "test.sh: exit code $status after $(( $(date +%s) - started )) s"
exit "$status"
