#!/usr/bin/env bash
# Rewrites golden frames on purpose. Without arguments every stored frame is
# rendered again; with frame numbers (at 60 frames per second: frame = seconds
# x 60) those frames are written. Look at every changed picture before you
# commit it: a changed golden frame means a changed show.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --build build --target golden_frames -j2 >/dev/null
if [ $# -eq 0 ]; then
  set -- $(ls tests/golden/frames/*.png 2>/dev/null | sed -E 's/.*_0*([0-9]+)\.png$/\1/')
fi
build/tests/golden/golden_frames --write "$@"
git status --short tests/golden/frames
