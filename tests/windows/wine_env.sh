# Sourced by the Windows tests: the cross build's Wine prefix, quiet Wine,
# and the conversion of a Linux path to the one Windows programs see.
# $1: the cross build directory.
wine_setup() {
  export WINEPREFIX
  WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine to install
  export WINEARCH=win64
  command -v wine >/dev/null || { echo "wine is not installed (scripts/install-deps.sh --windows)" >&2; return 1; }
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
