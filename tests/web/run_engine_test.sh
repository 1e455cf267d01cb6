#!/usr/bin/env bash
# The page in Firefox ESR or WebKitGTK (engine_page_test.js) over build-web/.
# WebKitGTK needs a display: it gets an Xvfb of this test's own, which also
# takes any browser window left behind with it when the test ends.
# Usage: run_engine_test.sh SOURCE_DIR firefox|webkit
set -euo pipefail
source_dir=$(cd "$1" && pwd)
engine=$2
here=$(cd "$(dirname "$0")" && pwd)
export NODE_PATH="$source_dir/build-wasm/node/node_modules"
if [ "$engine" = webkit ]; then
  source "$source_dir/tests/e2e/xvfb.sh"
  start_xvfb
fi
status=0
node "$here/engine_page_test.js" "$engine" "$source_dir/build-web" "$source_dir/tests/golden/frames" \
  "$source_dir/scripts/serve-web.sh" || status=$?
exit "$status"
