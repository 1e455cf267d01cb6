#!/usr/bin/env bash
# The web build (build-web.sh: build-web/ from the trees in build-wasm/), the
# PNG loader's digest tool and the lane operations' check for node, and
# puppeteer-core from npm in build-wasm/node (no browser download: the tests
# drive the system's chromium).
# Usage: prepare.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
start=$(date +%s)
log="$source_dir/build-wasm/web_build.log"
mkdir -p "$source_dir/build-wasm"
if ! "$source_dir/build-web.sh" >"$log" 2>&1; then
  grep -E "error|Error" "$log" | head -40 >&2
  echo "the web build failed; see $log" >&2
  exit 1
fi
export NODE_PATH=/usr/share/nodejs
cmake --build "$source_dir/build-wasm/st" --target picture_digests_web lane_operations_web >>"$log" 2>&1
echo "web build ready in $(( $(date +%s) - start )) s ($(du -sh "$source_dir/build-web" | cut -f1))"
node_dir="$source_dir/build-wasm/node"
if [ ! -f "$node_dir/node_modules/puppeteer-core/package.json" ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm install --prefix "$node_dir" --no-audit --no-fund --silent puppeteer-core@22
fi
