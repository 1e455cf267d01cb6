#!/usr/bin/env bash
# Installs what is missing, builds, generates the pictures and the music if
# they are missing, and starts the show.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --show
# The show needs no test packages: a first build leaves the tests out (an
# existing build tree keeps its setting; test.sh builds them).
if [ -f build/CMakeCache.txt ]; then
  scripts/build.sh
else
  scripts/build.sh -DVELDRAKIN_TESTS=OFF
fi
cd build/show
exec ../veldrakin
