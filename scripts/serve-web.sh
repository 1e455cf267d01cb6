#!/usr/bin/env bash
# Serves build-web/ (./build-web.sh) on http://127.0.0.1:PORT/ (default 8080)
# until stopped, cross-origin isolated (the two headers below), so that the
# page gets the module with threads. PORT 0 takes a free port; the first line
# printed names the address.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8080}
dir=${VELDRAKIN_WEB_DIR:-build-web}
if [ ! -f "$dir/index.html" ]; then
  echo "no $dir/index.html: run ./build-web.sh first" >&2
  exit 1
fi
exec python3 - "$dir" "$port" <<'PY'
import functools
import http.server
import sys

folder, port = sys.argv[1], int(sys.argv[2])


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript'}

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, format, *args):
        pass


server = http.server.ThreadingHTTPServer(('127.0.0.1', port),
                                         functools.partial(Handler, directory=folder))
print(f'serving {folder} on http://127.0.0.1:{server.server_address[1]}/', flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
PY
