#!/usr/bin/env bash
# Installs the Debian 12 packages of one mode. Runs apt-get only when
# something is missing, so repeated calls are cheap.
#
#   scripts/install-deps.sh --show      what run.sh needs: the build of the show,
#                                       its generator and the render tool
#   scripts/install-deps.sh --test      everything test.sh runs, the Windows
#                                       cross build and Wine included (default)
#   scripts/install-deps.sh --windows   --show and the Windows cross build
#   scripts/install-deps.sh --web       --show and the WebAssembly build
#   scripts/install-deps.sh --arm64     --show and the aarch64 cross build: the
#                                       cross compiler, qemu-user to run it, and
#                                       the arm64 libraries (Debian multiarch;
#                                       the architecture is added once)
#   scripts/install-deps.sh --package   what package.sh needs: every build and
#                                       the packaging tools
#   scripts/install-deps.sh --list MODE prints the packages of MODE, one a line
#
# One package a line: a test that needs a new package adds its line to
# test_packages (and its programs to scripts/programs.txt, which
# scripts/check-deps.py checks against these lists).
set -euo pipefail

show_packages=(
  build-essential
  ccache
  cmake
  pkg-config
  libsdl2-dev
  libx11-dev
  libgl1-mesa-dri
  libmpg123-dev
  libpng-dev
  zlib1g-dev
  libcairo2-dev
  libpango1.0-dev
  libmp3lame-dev
  fonts-dejavu-core
  fonts-inter
  fonts-bebas-neue
)
# The cross compiler of the Windows build and Wine to run it (about 1 GB
# installed, under a minute from the archive).
windows_packages=(
  g++-mingw-w64-x86-64-posix
  wine
  wine64
)
# The WebAssembly build (emscripten, stb_image for PNG) and its tests in
# headless Chromium, driven from node by puppeteer-core (from npm, into the
# build tree). A node that is not Debian's brings its own npm, which Debian's
# npm package would conflict with, so npm is only installed where no npm runs.
web_packages=(
  emscripten
  libstb-dev
  chromium
  nodejs
  npm
)
# The other two engines of the page tests: Firefox ESR (driven by
# puppeteer-core over WebDriver BiDi) and WebKitGTK (through its WebDriver).
browser_test_packages=(
  firefox-esr
  webkit2gtk-driver
)
# The aarch64 build: a cross compiler, qemu-user to run its programs here,
# and the libraries of the show and its tests for arm64 (multiarch, beside
# the amd64 ones).
arm64_packages=(
  g++-aarch64-linux-gnu
  qemu-user
  libpng-dev:arm64
  libsdl2-dev:arm64
  libmpg123-dev:arm64
  libx11-dev:arm64
  libgtest-dev:arm64
  libgmock-dev:arm64
)
# The release files of package.sh: the Debian package's dependencies
# (dpkg-shlibdeps), the zips, and the minimal Debian 12 that its test
# installs the package into.
release_packages=(
  dpkg-dev
  zip
  unzip
  debootstrap
)
test_packages=(
  "${show_packages[@]}"
  "${windows_packages[@]}"
  "${web_packages[@]}"
  "${browser_test_packages[@]}"
  "${arm64_packages[@]}"
  "${release_packages[@]}"
  git
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  xvfb
  xdotool
  x11-utils
  lame
  ffmpeg
  python3
  pulseaudio
  pulseaudio-utils
  libpulse-dev
  clang-14
  libclang-rt-14-dev
)

packages_of() {
  case "$1" in
    --show) printf '%s\n' "${show_packages[@]}" ;;
    --windows) printf '%s\n' "${show_packages[@]}" "${windows_packages[@]}" ;;
    --web) printf '%s\n' "${show_packages[@]}" "${web_packages[@]}" ;;
    --arm64) printf '%s\n' "${show_packages[@]}" "${arm64_packages[@]}" ;;
    --package) printf '%s\n' "${show_packages[@]}" "${windows_packages[@]}" "${web_packages[@]}" \
      "${arm64_packages[@]}" "${release_packages[@]}" ;;
    --test) printf '%s\n' "${test_packages[@]}" ;;
    *) echo "usage: install-deps.sh [--show|--test|--windows|--web|--arm64|--package|--list MODE]" >&2; return 2 ;;
  esac
}

if [ "${1:-}" = --list ]; then
  packages_of "${2:---test}"
  exit
fi
mapfile -t packages < <(packages_of "${1:---test}")
[ ${#packages[@]} -gt 0 ] || exit 2

missing=()
for p in "${packages[@]}"; do
  if [ "$p" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  # The arm64 packages need the architecture in dpkg's list, once.
  if printf '%s\n' "${missing[@]}" | grep -q ':arm64$' &&
    ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $SUDO dpkg --add-architecture arm64
  fi
  # Another apt may hold the lock for a while: wait for it instead of failing.
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi
