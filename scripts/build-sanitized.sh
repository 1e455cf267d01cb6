#!/usr/bin/env bash
# Builds the unit tests with sanitizers: all of them into build-asan/
# (address: ASan with UBSan, no recovery), the band-threading tests into
# build-tsan/ (thread). The data folder comes from the
# Release build (build/show).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:?usage: build-sanitized.sh address|thread}
case "$kind" in
  address) dir=build-asan; target=veldrakin_tests ;;
  thread) dir=build-tsan; target=band_tests ;;
  *) echo "unknown sanitizer: $kind" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELDRAKIN_SANITIZE="$kind" \
  -DVELDRAKIN_TOOLS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc 2>/dev/null || echo 2)" --target "$target"
