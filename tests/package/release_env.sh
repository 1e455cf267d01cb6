# Sourced by the tests of the release files: finding them in dist/ and
# looking at the screen.

fail() { echo "FAIL: $*" >&2; exit 1; }

# The one file of dist/ matching a pattern (fails when none or several do).
# Usage: release_file DIST PATTERN
release_file() {
  local matches=()
  local f
  for f in "$1"/$2; do [ -f "$f" ] && matches+=("$f"); done
  [ ${#matches[@]} = 1 ] || fail "expected one $2 in $1 (./package.sh makes it), found ${#matches[@]}"
  echo "${matches[0]}"
}

# Unpacks a release zip into folder DIR, which must then hold exactly one
# folder; prints that folder's path.
# Usage: unpack_zip ZIP DIR
unpack_zip() {
  mkdir -p "$2"
  unzip -q "$1" -d "$2" || fail "unzip $1"
  local top
  top=$(ls "$2")
  [ "$(wc -l <<<"$top")" = 1 ] || fail "$(basename "$1") does not hold one folder: $top"
  echo "$2/$top"
}

# Takes a screenshot of the whole X screen into FILE (PNG) and prints how many
# distinct colours it holds.
screen_colours() {
  ffmpeg -loglevel error -y -f x11grab -video_size 1024x768 -i "$DISPLAY" -frames:v 1 "$1" ||
    { echo 0; return 1; }
  ffmpeg -loglevel error -i "$1" -f rawvideo -pix_fmt rgb24 - |
    python3 -c 'import sys; d=sys.stdin.buffer.read(); print(len({d[i:i+3] for i in range(0, len(d), 3)}))'
}

# The messages of a log, without the time and level header and line ends.
log_messages() { sed -e 's/\r$//' -e 's/^\[\[[^]]*\]\[[A-Z]*\]\] //' "$1"; }

# Checks that a log holds one whole run that loaded the music and every
# effect and ended with the closing lines.
check_show_log() {
  local log=$1 messages
  [ -f "$log" ] || fail "no $log"
  messages=$(log_messages "$log")
  [ "$(grep -c '^Initializing the application.$' <<<"$messages")" = 1 ] || fail "$log does not hold one run"
  grep -q "^Audio Stream loaded successfully: ./music/KR_VAULT-X2.mp3$" <<<"$messages" ||
    fail "$log: the music was not loaded"
  if grep -q "failed to initialize itself" <<<"$messages"; then fail "$log: an effect failed to initialise"; fi
  [ "$(tail -n 2 <<<"$messages")" = "$(printf 'app_gdi::run finished\nClosing the app')" ] ||
    { tail -n 5 <<<"$messages" >&2; fail "$log does not end with the closing lines"; }
}

# Waits up to $2 seconds for file $3 to hold a line matching $1.
wait_for_line() {
  for _ in $(seq 1 $(( $2 * 10 ))); do
    grep -q "$1" "$3" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
