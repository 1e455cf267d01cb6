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

# The data folder from the build machine's generator, beside the programs.
scripts/copy-show-data.sh "$out"
echo "$out/veldrakin (run it from $out/; here: cd $out && qemu-aarch64 ./veldrakin)"
