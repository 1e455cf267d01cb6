# Sourced by the Windows tests: the cross build's Wine prefix, quiet Wine,
# and the conversion of a Linux path to the one Windows programs see.
# $1: the cross build directory.
wine_setup() {
  export WINEPREFIX
  WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine to install
  export WINEARCH=win64
  command -v wine >/dev/null || { echo "wine is not installed (scripts/install-deps.sh --test)" >&2; return 1; }
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Temporary folders on drive Z: (the Linux root), so that a test's working
  # directory and the absolute Linux paths built into the tests share a drive.
  local temp="$1/wine-temp"
  mkdir -p "$temp"
  if [ "$(cat "$WINEPREFIX/.veldrakin-temp" 2>/dev/null)" != "$temp" ]; then
    local windows_temp
    windows_temp=$(windows_path "$temp")
    wine reg add 'HKCU\Environment' /v TEMP /d "$windows_temp" /f >/dev/null 2>&1 &&
      wine reg add 'HKCU\Environment' /v TMP /d "$windows_temp" /f >/dev/null 2>&1 &&
      wineserver -w && echo "$temp" > "$WINEPREFIX/.veldrakin-temp"
  fi
}

# /a/b -> Z:\a\b (Wine maps the Linux root to drive Z:).
windows_path() {
  local p
  p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  echo "Z:${p//\//\\}"
}
# A Wine prefix of this test's own, so that tests running side by side never
# share a wineserver (one test's `wineserver -k` would end the others'
# programs) nor a temporary folder: a copy of the cross build's prefix
# (prepared by wine_setup, hard links for the system files, real copies of
# the registry, which Wine rewrites) with its own TEMP. Sets WINEPREFIX and
# WINE_TEST_DIR; wine_test_cleanup ends its wineserver and removes it.
wine_test_prefix() {
  wine_setup "$1" || return 1
  local template=$WINEPREFIX
  local tests_dir
  tests_dir="$(cd "$1" && pwd)/wine-tests"
  mkdir -p "$tests_dir"
  WINE_TEST_DIR=$(mktemp -d "$tests_dir/test.XXXXXX") || return 1
  cp -a --link "$template" "$WINE_TEST_DIR/prefix" || return 1
  local reg
  for reg in "$template"/*.reg; do
    cp --remove-destination "$reg" "$WINE_TEST_DIR/prefix/"
  done
  mkdir "$WINE_TEST_DIR/temp"
  python3 - "$WINE_TEST_DIR/prefix/user.reg" "$(windows_path "$WINE_TEST_DIR/temp")" <<'PY'
import re, sys
path, temp = sys.argv[1], sys.argv[2].replace("\\", "\\\\")
text = open(path, encoding="utf-8", errors="surrogateescape").read()
text = re.sub(r'^("(?:TEMP|TMP)")=".*"$', lambda m: f'{m.group(1)}="{temp}"', text, flags=re.M)
open(path, "w", encoding="utf-8", errors="surrogateescape").write(text)
PY
  export WINEPREFIX="$WINE_TEST_DIR/prefix"
}
wine_test_cleanup() {
  if [ -n "${WINE_TEST_DIR:-}" ] && [ -d "$WINE_TEST_DIR" ]; then
    WINEPREFIX="$WINE_TEST_DIR/prefix" wineserver -k 2>/dev/null
    rm -rf "$WINE_TEST_DIR"
  fi
}
