#!/usr/bin/env bash
# Builds the show for the browser (WebAssembly, with Debian's emscripten) into
# build-web/: index.html and everything it loads, the module with threads
# (veldrakin-mt.*) and without (veldrakin-st.*), the service worker that
# isolates the page on hosts without headers (isolation-worker.js), the data
# package (show.data, show-data.js) from the Linux build's generator, and the
# link preview (preview.png, a still drawn by the Linux build's render tool)
# and icon (favicon.png, from its generator). The CMake trees
# are in build-wasm/. Serve it with scripts/serve-web.sh and open
# http://127.0.0.1:8080/. Extra arguments go to CMake's configure.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --web
out=build-web
trees=build-wasm
# emscripten's JavaScript optimizer needs Debian's node modules (acorn).
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
jobs=$(nproc 2>/dev/null || echo 2)

for variant in mt st; do
  threads=ON
  [ "$variant" = st ] && threads=OFF
  emcmake cmake -S . -B "$trees/$variant" -DCMAKE_BUILD_TYPE=Release -DVELDRAKIN_TESTS=OFF \
    -DVELDRAKIN_WEB_THREADS=$threads "$@" >/dev/null
  cmake --build "$trees/$variant" -j"$jobs" --target veldrakin_web
done

# The pictures and the music come from the Linux build's generator
# (build/show, or VELDRAKIN_SHOW_DIR); the preview and the icon from the
# render tool and the generator of the same Linux tree, built here when
# missing (scripts/build.sh builds them with everything else).
show=${VELDRAKIN_SHOW_DIR:-build/show}
linux=$(dirname "$show")
if [ ! -f "$show/music/KR_VAULT-X2.mp3" ]; then
  [ -z "${VELDRAKIN_SHOW_DIR:-}" ] || { echo "no generated data in $show" >&2; exit 1; }
  scripts/build.sh
fi
if [ -f "$linux/CMakeCache.txt" ] && { [ ! -x "$linux/veldrakin-render" ] || [ ! -x "$linux/veldrakin-assets" ]; }; then
  cmake --build "$linux" -j"$jobs" --target veldrakin-render veldrakin-assets >/dev/null
fi
for tool in veldrakin-render veldrakin-assets; do
  [ -x "$linux/$tool" ] || { echo "no $linux/$tool (the Linux build's tools)" >&2; exit 1; }
done

staging=$out.partial
rm -rf "$staging"
mkdir -p "$staging"
cp "$trees"/mt/site/{index.html,page.js,isolation-worker.js} "$staging/"
cp "$trees"/mt/site/veldrakin-mt.{js,wasm,worker.js} "$staging/"
cp "$trees"/st/site/veldrakin-st.{js,wasm} "$staging/"
python3 /usr/share/emscripten/tools/file_packager.py "$staging/show.data" \
  --preload "$show/music@/show/music" "$show/_glimmerock@/show/_glimmerock" \
  --js-output="$staging/show-data.js" 2>&1 >/dev/null | { grep -v FORCE_FILESYSTEM >&2 || true; }
# A link's preview card: the lava at 130 s, letterboxed on black at the
# size link previews use. The render tool appends to app.log in the folder it
# draws from, so it draws from a folder of its own.
preview_data=$(mktemp -d)
trap 'rm -rf "$preview_data"' EXIT
ln -s "$(cd "$show" && pwd)/music" "$preview_data/music"
ln -s "$(cd "$show" && pwd)/_glimmerock" "$preview_data/_glimmerock"
"$linux/veldrakin-render" frame --at 130 --letterbox 1200x630 --data "$preview_data" \
  --out "$PWD/$staging/preview.png" >/dev/null
"$linux/veldrakin-assets" --icon "$staging/favicon.png"
rm -rf "$out"
mv "$staging" "$out"
echo "$out/index.html ($(du -sh "$out" | cut -f1); serve it with scripts/serve-web.sh)"
