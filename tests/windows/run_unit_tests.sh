#!/usr/bin/env bash
# The unit tests built for Windows, run under Wine: every test that needs no
# window (the windows are headless, the sound card is the silent output when
# Wine has none), the PNG tests against the WIC loader and the music tests
# against the ACM decoder. The tone files the tests would encode with LAME
# are made here, as the Windows side has no encoder to call. Then waveOut on
# a sound device Wine can open.
# Usage: run_unit_tests.sh SOURCE_DIR CROSS_DIR SHOW_DIR [gtest arguments]
set -uo pipefail
source_dir=$1
cross_dir=$2
show_dir=$3
shift 3
here=$(dirname "$0")
. "$here/wine_env.sh"
wine_test_prefix "$cross_dir" || exit 1
trap wine_test_cleanup EXIT
exe="$cross_dir/tests/veldrakin_tests.exe"
[ -f "$exe" ] || { echo "no $exe: run the cross build first" >&2; exit 1; }

# Every length the tests ask make_test_mp3 for, encoded as it would encode it.
tones="$cross_dir/test-mp3"
mkdir -p "$tones"
lengths=$(grep -rhoE 'make_test_mp3\([^,]+, *[0-9.]+\)' "$source_dir/tests" |
          sed -E 's/.*, *([0-9.]+)\)/\1/' | sort -u)
for seconds in $lengths; do
  ms=$(python3 -c "print(round($seconds * 1000))")
  out="$tones/tone-$ms.mp3"
  [ -f "$out" ] && continue
  python3 - "$seconds" "$out.wav" <<'PY'
import math, struct, sys
seconds, path = float(sys.argv[1]), sys.argv[2]
rate = 44100
frames = int(seconds * rate)
with open(path, "wb") as w:
    w.write(b"RIFF" + struct.pack("<I", 36 + frames * 4) + b"WAVEfmt ")
    w.write(struct.pack("<IHHIIHH", 16, 1, 2, rate, rate * 4, 4, 16))
    w.write(b"data" + struct.pack("<I", frames * 4))
    for i in range(frames):
        s = int(8000 * math.sin(2 * math.pi * 440 * i / rate))
        w.write(struct.pack("<hh", s, s))
PY
  # Renamed when complete: an interrupted run leaves no half file behind.
  lame --quiet -b 192 "$out.wav" "$out.part" && mv "$out.part" "$out" && rm -f "$out.wav"
done

export VELDRAKIN_SHOW_DIR
VELDRAKIN_SHOW_DIR=$(windows_path "$show_dir")
export VELDRAKIN_TEST_MP3_DIR
VELDRAKIN_TEST_MP3_DIR=$(windows_path "$tones")
# Whether Wine gives an interrupted thread its vector registers back as they
# were: the wide kernels' results depend on it. Reported, so that a wide
# kernel's difference from the baseline below can be told from that.
probe="$cross_dir/tests/windows/vector_state_probe.exe"
if [ -f "$probe" ]; then
  wine "$probe" 2>/dev/null | tr -d '\r' | sed 's/^/vector registers under Wine: /'
  [ "${PIPESTATUS[0]}" = 1 ] &&
    echo "NOTE: Wine changed the vector registers of an interrupted thread on this processor"
fi
start=$(date +%s)
wine "$exe" --gtest_brief=1 "$@" 2> >(grep -v '^ALSA lib' >&2)
code=$?
echo "Windows unit tests under Wine: exit code $code in $(( $(date +%s) - start )) s"

# waveOut through a sound device that Wine can open: ALSA's null device, for
# this process only. It takes samples as fast as they come, so only the
# order of positions is checked, not their pace.
null_device="$cross_dir/asound-null.conf"
echo 'pcm.!default { type null }' >"$null_device"
ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$null_device" \
  wine "$exe" --gtest_brief=1 --gtest_filter='audio_device*' 2> >(grep -v '^ALSA lib' >&2)
device_code=$?
echo "waveOut test on ALSA's null device: exit code $device_code"
[ "$code" -eq 0 ] && exit $device_code
exit $code
