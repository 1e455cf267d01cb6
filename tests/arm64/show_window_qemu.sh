#!/usr/bin/env bash
# The aarch64 show under qemu-aarch64 in a virtual X server of this test's
# own: its window appears with the show's title and covers the screen, the
# show reaches its loop, Escape ends it with exit code 0, and app.log holds
# the lines the build machine's own show writes in the same X server.
# Emulated, the show draws slowly; only the order of events is judged.
# Usage: show_window_qemu.sh ARM64_BINARY SHOW_DIR LINUX_BINARY
# (run_show is in qemu_env.sh)
set -uo pipefail
binary=$1
data=$(cd "$2" && pwd)
linux_binary=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/xvfb.sh"
. "$here/qemu_env.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_aarch64 "$binary" || exit 1
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "no generated data in $data"
start_xvfb || fail "Xvfb"
work=$(mktemp -d)
trap 'rm -rf "$work"; stop_xvfb' EXIT
mkdir "$work/arm64" "$work/linux"
for d in arm64 linux; do
  ln -s "$data/music" "$work/$d/music"
  ln -s "$data/_glimmerock" "$work/$d/_glimmerock"
done

# The messages of a log, without the time and level header.
messages() { sed -e 's/^\[\[[^]]*\]\[[A-Z]*\]\] //' "$1"; }

cd "$work/arm64"
echo -n "aarch64 under qemu-aarch64: "
run_show qemu-aarch64 "$binary"
if grep -q "failed to initialize itself" app.log; then fail "an effect failed to initialise"; fi

cd "$work/linux"
echo -n "build machine's show: "
run_show "$linux_binary"

# The same lines, but for the reason a sound device could not be opened.
normalise() { messages "$1" | sed -E 's/^(audio_player::init no audio device) \(.*\)(, playing silently.*)$/\1 (...)\2/'; }
normalise "$work/linux/app.log" > linux.txt
normalise "$work/arm64/app.log" > arm64.txt
diff -u linux.txt arm64.txt || fail "app.log differs from the build machine's show's"
echo "app.log: the same $(wc -l < linux.txt) lines as on x86-64"
