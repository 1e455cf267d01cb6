#!/usr/bin/env bash
# Cross-builds the show for 64-bit Windows with mingw-w64 into build-windows/
# (veldrakin.exe, and the render tool veldrakin-render.exe without its video
# command; both statically linked) and puts the data folder beside them, from
# the Linux build's asset generator. Extra arguments go to CMake's configure.
# Under Wine: cd build-windows && wine veldrakin.exe
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --windows
out=build-windows
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVELDRAKIN_TESTS=OFF "$@" >/dev/null
cmake --build "$out" -j2 --target veldrakin veldrakin-render

# The pictures and the music come from the Linux build's generator (a Linux
# program); its data folder (build/show, or VELDRAKIN_SHOW_DIR) is copied
# when it is newer than the copy here.
show=${VELDRAKIN_SHOW_DIR:-build/show}
if [ ! -f "$show/music/KR_VAULT-X2.mp3" ]; then
  [ -z "${VELDRAKIN_SHOW_DIR:-}" ] || { echo "no generated data in $show" >&2; exit 1; }
  scripts/build.sh
fi
if [ ! -f "$out/music/KR_VAULT-X2.mp3" ] ||
   [ -n "$(find "$show/music" "$show/_glimmerock" -newer "$out/music/KR_VAULT-X2.mp3" -type f -print -quit)" ]; then
  rm -rf "$out/music" "$out/_glimmerock"
  cp -r "$show/music" "$show/_glimmerock" "$out/"
fi
echo "$out/veldrakin.exe (run it from $out/)"
