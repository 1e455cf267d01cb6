#!/usr/bin/env bash
# What the release files hold, read from dist/ alone: SHA256SUMS matches the
# four files, which carry one valid Debian version in their names; the .deb
# names itself so and has dependencies; each file has its README.txt with the
# version, the controls, the credits and what it needs; veldrakin.exe imports
# no DLL but Windows' own; the .deb and the Windows zip carry the same
# pictures and music, byte for byte.
# Usage: release_contents.sh DIST_DIR
set -uo pipefail
dist=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release_env.sh"

deb=$(release_file "$dist" 'veldrakin_*_amd64.deb') || exit 1
deb_arm64=$(release_file "$dist" 'veldrakin_*_arm64.deb') || exit 1
windows=$(release_file "$dist" 'veldrakin-*-windows-x64.zip') || exit 1
web=$(release_file "$dist" 'veldrakin-*-web.zip') || exit 1
place=$(mktemp -d)
trap 'rm -rf "$place"' EXIT

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
listed=$(awk '{ print $2 }' "$dist/SHA256SUMS" | LC_ALL=C sort | tr '\n' ' ')
expected=$(for f in "$deb" "$deb_arm64" "$windows" "$web"; do basename "$f"; done | LC_ALL=C sort | tr '\n' ' ')
[ "$listed" = "$expected" ] || fail "SHA256SUMS lists '$listed', not '$expected'"

version=$(basename "$deb" | sed -E 's/^veldrakin_(.*)_amd64\.deb$/\1/')
dpkg --validate-version "$version" || fail "'$version' is not a Debian version"
[ "$(basename "$deb_arm64")" = "veldrakin_${version}_arm64.deb" ] &&
  [ "$(basename "$windows")" = "veldrakin-$version-windows-x64.zip" ] &&
  [ "$(basename "$web")" = "veldrakin-$version-web.zip" ] || fail "the files do not share the version $version"
[ "$(dpkg-deb -f "$deb" Package)" = veldrakin ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] &&
  [ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "the package's control fields do not match its name"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2-2.0-0 libmpg123-0 libpng16-16; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
echo "version $version; Depends: $depends"

dpkg-deb -x "$deb" "$place/deb" || fail "dpkg-deb -x"
mkdir "$place/windows" "$place/web"
unzip -q "$windows" -d "$place/windows" && unzip -q "$web" -d "$place/web" || fail "unzip"
windows_top="$place/windows/veldrakin-$version-windows-x64"
web_top="$place/web/veldrakin-$version-web"
[ -d "$windows_top" ] && [ -d "$web_top" ] || fail "a zip does not hold its folder named after the file"
for readme in "$place/deb/usr/share/doc/veldrakin/README.txt" "$windows_top/README.txt" "$web_top/README.txt"; do
  [ -f "$readme" ] || fail "no $readme"
  text=$(tr -d '\r' < "$readme")
  [ "$(head -n 1 <<<"$text")" = "Veldrakin $version" ] || fail "$readme does not start with the version"
  for heading in "Running it" Controls "What it needs" Credits; do
    grep -qx "$heading" <<<"$text" || fail "$readme has no '$heading'"
  done
  grep -q "Escape" <<<"$text" || fail "$readme does not name the controls"
done

command -v x86_64-w64-mingw32-objdump >/dev/null || fail "no x86_64-w64-mingw32-objdump (scripts/install-deps.sh --windows)"
dlls=$(x86_64-w64-mingw32-objdump -p "$windows_top/veldrakin.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || fail "veldrakin.exe imports nothing: not a Windows program?"
# Windows' own DLLs, as package.sh accepts them.
foreign=$(grep -Ev '^(kernel32|user32|gdi32|winmm|msacm32|ole32|oleaut32|windowscodecs|msvcrt|advapi32|shell32|shlwapi|ws2_32|comctl32|comdlg32|imm32|version|bcrypt|ntdll|uxtheme|dwmapi)\.dll$' <<<"$dlls")
[ -z "$foreign" ] || fail "veldrakin.exe needs DLLs that Windows does not have: $foreign"
echo "veldrakin.exe imports $(tr '\n' ' ' <<<"$dlls")"

sums() { (cd "$1" && find music _glimmerock -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum); }
sums "$place/deb/usr/share/veldrakin" > "$place/deb.sums"
sums "$windows_top" > "$place/windows.sums"
[ "$(wc -l < "$place/deb.sums")" -gt 40 ] || fail "the .deb holds only $(wc -l < "$place/deb.sums") data files"
diff -u "$place/deb.sums" "$place/windows.sums" || fail "the .deb and the Windows zip carry different data"
[ -f "$web_top/index.html" ] || fail "the web zip has no index.html"
echo "the .deb and the Windows zip carry the same $(wc -l < "$place/deb.sums") data files"
echo "1 passed, 0 failed"
