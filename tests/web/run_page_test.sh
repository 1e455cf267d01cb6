#!/usr/bin/env bash
# The page in headless Chromium (web_page_test.js) over build-web/.
# Usage: run_page_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
export NODE_PATH="$source_dir/build-wasm/node/node_modules"
exec node "$(dirname "$0")/web_page_test.js" "$source_dir/build-web" "$source_dir/tests/golden/frames" \
  "$source_dir/scripts/serve-web.sh"
