#!/usr/bin/env bash
# The arm64 .deb, read from dist/ alone: its control fields name arm64 and
# the version of the amd64 one; its Depends (from dpkg-shlibdeps) name the
# show's libraries; the program inside is an aarch64 executable; apt
# resolves an installation of it on this multiarch system (simulated: the
# libraries are the arm64 ones beside the amd64 ones); and the show unpacked
# from it with dpkg-deb -x starts under qemu-aarch64 on the unpacked data in
# a virtual X server of this test's own, opens its window and ends with exit
# code 0 on Escape. (Without binfmt_misc here, the installed `veldrakin`
# command itself cannot run an aarch64 program.)
# Usage: deb_arm64.sh DIST_DIR
set -uo pipefail
dist=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release_env.sh"
. "$here/../arm64/qemu_env.sh"
. "$here/../e2e/xvfb.sh"

deb=$(release_file "$dist" 'veldrakin_*_arm64.deb') || exit 1
amd64=$(release_file "$dist" 'veldrakin_*_amd64.deb') || exit 1
[ "$(dpkg-deb -f "$deb" Architecture)" = arm64 ] || fail "Architecture: $(dpkg-deb -f "$deb" Architecture)"
[ "$(dpkg-deb -f "$deb" Version)" = "$(dpkg-deb -f "$amd64" Version)" ] || fail "the two packages' versions differ"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2-2.0-0 libpng16-16 libmpg123-0; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library: $depends"
done
echo "Depends: $depends"

place=$(mktemp -d)
trap 'rm -rf "$place"; stop_xvfb' EXIT
dpkg-deb -x "$deb" "$place/root" || fail "dpkg-deb -x"
program="$place/root/usr/lib/veldrakin/veldrakin"
expect_aarch64 "$program" || exit 1
echo "usr/lib/veldrakin/veldrakin is an aarch64 executable"

# apt resolves the installation from the file with the arm64 libraries.
simulated=$(apt-get install --simulate --no-install-recommends "$deb" 2>&1)
code=$?
[ "$code" = 0 ] && grep -q '^Inst veldrakin:arm64 ' <<<"$simulated" ||
  { echo "$simulated" >&2; fail "apt-get install --simulate did not resolve the arm64 package"; }
echo "apt-get install --simulate: $(grep -c '^Inst ' <<<"$simulated") packages to install, veldrakin:arm64 among them"

# The unpacked show, on the unpacked data, in a folder of its own.
data="$place/root/usr/share/veldrakin"
[ -f "$data/music/KR_VAULT-X2.mp3" ] || fail "the package holds no music"
mkdir "$place/run"
ln -s "$data/music" "$place/run/music"
ln -s "$data/_glimmerock" "$place/run/_glimmerock"
start_xvfb || fail "Xvfb"
trap 'rm -rf "$place"; stop_xvfb' EXIT
cd "$place/run"
echo -n "the unpacked show under qemu-aarch64: "
run_show qemu-aarch64 "$program"
if grep -q "failed to initialize itself" app.log; then fail "an effect failed to initialise"; fi
grep -q "Closing the app" app.log || fail "app.log does not end with the closing path"
echo "1 passed, 0 failed"
