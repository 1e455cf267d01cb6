#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the show and the tests need.
# Runs apt-get only when something is missing, so repeated calls are cheap.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libsdl2-dev libx11-dev libmpg123-dev libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpango1.0-dev libmp3lame-dev
  fonts-dejavu-core fonts-inter fonts-bebas-neue
  xvfb xdotool x11-utils libgl1-mesa-dri
  lame ffmpeg python3
  pulseaudio pulseaudio-utils libpulse-dev
  clang-14 libclang-rt-14-dev
)
# --windows: also the cross compiler of the Windows build and Wine to run its
# tests (about 1 GB installed, under a minute from the archive).
if [ "${1:-}" = --windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
