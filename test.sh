#!/usr/bin/env bash
# The same set-up as run.sh, then every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 900
