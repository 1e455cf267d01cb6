#!/usr/bin/env bash
# Configures and builds the Release tree in build/ (the data folder
# build/show/ is generated as part of the build).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build -j"$jobs"
