#!/usr/bin/env bash
# The unit tests built for aarch64, run under qemu-aarch64 on the build
# machine's data folder, in two shards side by side, each in a working folder
# of its own: every test but the NEON kernels' (run_neon_kernels.sh runs
# those) and one that takes minutes emulated: the set-up stopped by each bad
# picture in turn (content_files.each_bad_picture...), which loads the whole
# show once per picture and checks nothing of the processor that the other
# set-up and PNG tests here do not (the x86 run has it). The x86 sets, the generator (a build-machine program) and the sound
# card are skipped. Prints the counts, the time, why tests were skipped and
# the slowest tests.
# Usage: run_unit_tests.sh CROSS_DIR SHOW_DIR [gtest arguments]
set -uo pipefail
cross_dir=$(cd "$1" && pwd)
show_dir=$(cd "$2" && pwd)
shift 2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/qemu_env.sh"
exe="$cross_dir/tests/veldrakin_tests"
expect_aarch64 "$exe" || exit 1
export VELDRAKIN_SHOW_DIR=$show_dir
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

slow=content_files.each_bad_picture_stops_the_set_up_at_the_first_effect_that_needs_it
start=$(date +%s)
shards=2
pids=()
for i in $(seq 0 $((shards - 1))); do
  mkdir "$work/$i"
  (cd "$work/$i" && GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$i \
     qemu-aarch64 "$exe" --gtest_filter="-*/neon:*_neon:$slow" "$@" >out.txt 2>&1) &
  pids+=($!)
done
code=0
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || code=1
done
seconds=$(( $(date +%s) - start ))
passed=0
skipped=0
for i in $(seq 0 $((shards - 1))); do
  out="$work/$i/out.txt"
  grep -E '^\[  FAILED  \] [^0-9]' "$out" | sort -u >&2
  passed=$(( passed + $(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$out" | head -n 1 | grep . || echo 0) ))
  skipped=$(( skipped + $(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:/\1/p' "$out" | head -n 1 | grep . || echo 0) ))
  grep -q '^\[  PASSED  \]' "$out" || { tail -n 30 "$out" >&2; code=1; }
done
echo "aarch64 unit tests under qemu-aarch64: $passed passed, $skipped skipped in $seconds s"
echo "skipped because:"
cat "$work"/*/out.txt | grep -A1 -E '^.*: Skipped$' | grep -vE ': Skipped$|^--$' |
  sed -E 's/ at ".*"//; s/: .*//' | sort | uniq -c | sort -rn
echo "the slowest:"
cat "$work"/*/out.txt | sed -nE 's/^\[       OK \] (.*) \(([0-9]+) ms\)$/\2 ms  \1/p' | sort -rn | head -n 8
[ "$code" = 0 ] || echo "FAIL: the aarch64 unit tests failed" >&2
exit $code
