#!/usr/bin/env bash
# Cross-builds the show for 64-bit ARM Linux (aarch64) into build-arm64/
# (veldrakin and the render tool veldrakin-render, linked against the arm64
# libraries of Debian's multiarch) and puts the data folder beside them, from
# the build machine's asset generator. Extra arguments go to CMake's configure.
# On an ARM machine with the libraries (SDL2, libpng, libmpg123):
#   cd build-arm64 && ./veldrakin
# Here, under emulation: cd build-arm64 && qemu-aarch64 ./veldrakin
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --arm64
out=build-arm64
cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVELDRAKIN_TESTS=OFF "$@" >/dev/null
cmake --build "$out" -j2 --target veldrakin veldrakin-render

# The pictures and the music come from the build machine's generator; its
# data folder (build/show, or VELDRAKIN_SHOW_DIR) is copied when it is newer
# than the copy here.
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
echo "$out/veldrakin (run it from $out/; here: cd $out && qemu-aarch64 ./veldrakin)"
