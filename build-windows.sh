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

# The data folder from the build machine's generator, beside the programs.
scripts/copy-show-data.sh "$out"
echo "$out/veldrakin.exe (run it from $out/)"
