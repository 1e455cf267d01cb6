#!/usr/bin/env bash
# Installs what is missing, builds, generates the pictures and the music if
# they are missing, and starts the show.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
cd build/show
exec ../veldrakin
