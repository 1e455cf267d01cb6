#!/usr/bin/env bash
# Makes the release files in dist/, named with the version of
# scripts/release-version.sh (from git describe):
#   veldrakin_<version>_amd64.deb          the show for Debian and Ubuntu
#   veldrakin_<version>_arm64.deb          the same for 64-bit ARM (aarch64)
#   veldrakin-<version>-windows-x64.zip    veldrakin.exe with its data
#   veldrakin-<version>-web.zip            the browser version's static site
#   SHA256SUMS
# each with a README.txt inside. Builds the Linux show in build-release/ (no
# tests), the aarch64 show cross-built in build-release-arm64/ with the same
# data, the Windows show with ./build-windows.sh and the browser version
# with ./build-web.sh. Prints each file's size, the .deb's dependencies and
# the time it took.
set -euo pipefail
cd "$(dirname "$0")"
started=$(date +%s)
scripts/install-deps.sh --package
version=$(scripts/release-version.sh)
dist=$PWD/dist
stage=$PWD/build-release/stage
echo "== Release $version"
rm -rf "$dist" "$stage"
mkdir -p "$dist" "$stage"

# Every file of a zip gets the time of the commit, and the entries go in in
# sorted order without extra attributes, so the same tree gives the same zip.
epoch=$(git log -1 --format=%ct)
make_zip() {  # make_zip ZIP FOLDER (FOLDER inside $stage)
  (cd "$stage" &&
   find "$2" -exec touch -h -d "@$epoch" {} + &&
   find "$2" | LC_ALL=C sort | zip -q -X -D -@ "$1")
}

# The Debian package, its dependencies computed from the program by
# dpkg-shlibdeps (CPack's SHLIBDEPS).
echo "== Debian package"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVELDRAKIN_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DVELDRAKIN_VERSION="$version" >/dev/null
cmake --build build-release -j2 --target veldrakin show_data package_icon
rm -rf build-release/cpack
(cd build-release && cpack -G DEB -B "$PWD/cpack" >/dev/null)
deb=veldrakin_${version}_amd64.deb
mv "build-release/cpack/$deb" "$dist/"

# The arm64 package: the show cross-built for aarch64 with the data folder and
# the icon of build-release; dpkg-shlibdeps reads its dependencies from the
# arm64 libraries of Debian's multiarch.
echo "== Debian package for arm64"
cmake -S . -B build-release-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVELDRAKIN_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELDRAKIN_VERSION="$version" -DVELDRAKIN_HOST_TREE="$PWD/build-release" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-release-arm64 -j2 --target veldrakin
rm -rf build-release-arm64/cpack
(cd build-release-arm64 && cpack -G DEB -B "$PWD/cpack" >/dev/null)
deb_arm64=veldrakin_${version}_arm64.deb
mv "build-release-arm64/cpack/$deb_arm64" "$dist/"

# The Windows zip: the statically linked show needs no DLL but Windows' own.
echo "== Windows zip"
VELDRAKIN_SHOW_DIR=build-release/show ./build-windows.sh
windows_dlls='^(kernel32|user32|gdi32|winmm|msacm32|ole32|oleaut32|windowscodecs|msvcrt|advapi32|shell32|shlwapi|ws2_32|comctl32|comdlg32|imm32|version|bcrypt|ntdll|uxtheme|dwmapi)\.dll$'
foreign=$(x86_64-w64-mingw32-objdump -p build-windows/veldrakin.exe |
          sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | grep -Ev "$windows_dlls" || true)
if [ -n "$foreign" ]; then
  echo "veldrakin.exe needs DLLs that Windows does not have: $foreign" >&2
  exit 1
fi
windows=veldrakin-$version-windows-x64
mkdir "$stage/$windows"
cp build-windows/veldrakin.exe "$stage/$windows/"
cp -r build-release/show/music build-release/show/_glimmerock "$stage/$windows/"
find "$stage/$windows" -name '*.part' -delete
packaging/readme.sh windows "$version" | sed 's/$/\r/' > "$stage/$windows/README.txt"
make_zip "$dist/$windows.zip" "$windows"

# The browser zip: the static site, served with the headers its README names.
echo "== Web zip"
web=veldrakin-$version-web
if [ -x ./build-web.sh ]; then
  VELDRAKIN_SHOW_DIR=build-release/show ./build-web.sh
  [ -f build-web/index.html ] || { echo "build-web/ holds no index.html" >&2; exit 1; }
  mkdir "$stage/$web"
  cp -r build-web/. "$stage/$web/"
  packaging/readme.sh web "$version" > "$stage/$web/README.txt"
  make_zip "$dist/$web.zip" "$web"
else
  echo "no ./build-web.sh: $web.zip is not made" >&2
fi

(cd "$dist" && sha256sum -- *.deb *.zip > SHA256SUMS)
echo "== $dist"
(cd "$dist" && for f in *; do printf '%10s bytes  %s\n' "$(stat -c %s "$f")" "$f"; done)
echo "Depends: $(dpkg-deb -f "$dist/$deb" Depends)"
echo "Depends (arm64): $(dpkg-deb -f "$dist/$deb_arm64" Depends)"
echo "made in $(( $(date +%s) - started )) s"
