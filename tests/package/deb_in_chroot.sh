#!/usr/bin/env bash
# The Debian package as a viewer gets it: installed with
# `apt-get install ./veldrakin_….deb` (no recommended packages) into a
# minimal Debian 12 system that debootstrap makes from the archive this
# machine installs from, so that the package's computed dependencies alone
# must bring everything the show needs. There, under this test's Xvfb (its
# socket shared into the system), a user who cannot write to the installed
# files starts `veldrakin` from folders of their own choosing: the window
# opens, draws the title, ends on Escape with exit code 0, and the log lies
# in the per-user folder and nowhere else; the installed files are unchanged.
# Then `apt-get remove` leaves nothing of the package but that folder.
#
# The minimal system is made once and kept as a tar file in WORK_DIR (inside
# the build tree); every run unpacks a fresh copy. If debootstrap cannot run,
# the test says so and fails.
# Usage: deb_in_chroot.sh DIST_DIR WORK_DIR
set -uo pipefail
dist=$1
mkdir -p "$2"
work=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/release_env.sh"
. "$here/../e2e/xvfb.sh"

deb=$(release_file "$dist" 'veldrakin_*_amd64.deb') || exit 1
deb_name=$(basename "$deb")
[ "$(id -u)" = 0 ] || fail "debootstrap cannot run here: it needs root"
command -v debootstrap >/dev/null || fail "debootstrap cannot run here: it is not installed (scripts/install-deps.sh)"

# The Debian 12 entries of this machine's apt sources, one "URI SUITE
# COMPONENT..." line each (both the one-line and the deb822 format).
debian_sources() {
  python3 - /etc/apt/sources.list /etc/apt/sources.list.d/* <<'PY'
import sys
entries = []
for path in sys.argv[1:]:
    try:
        text = open(path).read()
    except OSError:
        continue
    if path.endswith(".sources"):
        for stanza in text.split("\n\n"):
            fields, key = {}, None
            for line in stanza.splitlines():
                if not line.strip() or line.lstrip().startswith("#"):
                    continue
                if line[0].isspace() and key:
                    fields[key] += " " + line.strip()
                elif ":" in line:
                    key, value = line.split(":", 1)
                    fields[key.strip().lower()] = value.strip()
            if "deb" not in fields.get("types", "").split() or fields.get("enabled", "yes") == "no":
                continue
            for uri in fields.get("uris", "").split():
                for suite in fields.get("suites", "").split():
                    entries.append((uri, suite, fields.get("components", "main").split()))
    elif path.endswith(".list"):
        for line in text.splitlines():
            words = line.split("#", 1)[0].split()
            if len(words) < 3 or words[0] != "deb":
                continue
            words = words[1:]
            if words[0].startswith("["):
                while not words[0].endswith("]"):
                    words = words[1:]
                words = words[1:]
            entries.append((words[0], words[1], words[2:]))
for uri, suite, components in entries:
    if suite == "bookworm" or suite.startswith("bookworm-"):
        print(uri, suite, " ".join(components))
PY
}
sources=$(debian_sources)
mirror=$(awk '$2 == "bookworm" { print $1; exit }' <<<"$sources")
[ -n "$mirror" ] || fail "no Debian 12 (bookworm) archive in /etc/apt/sources.list*"

root=""
base_tmp="$work/minbase.tmp"
pid=""
# Unmounts everything below a folder, deepest first, then removes it (never
# across a mount that is still there).
remove_tree() {
  local dir=$1 m
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  for m in $(findmnt -rn -o TARGET | grep -F "$dir/" | sort -r); do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
  if findmnt -rn -o TARGET | grep -qF "$dir/"; then
    echo "left $dir in place: something is still mounted below it" >&2
  else
    rm -rf --one-file-system "$dir"
  fi
}
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  remove_tree "$root"
  remove_tree "$base_tmp"
  stop_xvfb
}

# The minimal system, made once from the mirror (debootstrap takes minutes).
base="$work/bookworm-minbase.tar"
if [ ! -f "$base" ] || [ "$(cat "$base.mirror" 2>/dev/null)" != "$mirror" ]; then
  trap cleanup EXIT
  remove_tree "$base_tmp"
  rm -f "$base" "$base.mirror"
  echo "debootstrap --variant=minbase bookworm from $mirror"
  started=$(date +%s)
  if ! timeout 1200 debootstrap --variant=minbase bookworm "$base_tmp" "$mirror" >"$work/debootstrap.log" 2>&1; then
    tail -n 5 "$work/debootstrap.log" >&2
    fail "debootstrap cannot run here (see $work/debootstrap.log)"
  fi
  rm -f "$base_tmp"/var/cache/apt/archives/*.deb
  tar -C "$base_tmp" -cf "$base.part" . && mv "$base.part" "$base" && echo "$mirror" > "$base.mirror" ||
    fail "cannot keep the minimal system in $base"
  remove_tree "$base_tmp"
  echo "minimal system made in $(( $(date +%s) - started )) s"
fi

start_xvfb || fail "Xvfb"
trap cleanup EXIT
root=$(mktemp -d "$work/root.XXXXXX")
tar -C "$root" -xf "$base" || fail "cannot unpack $base"
mount -t proc proc "$root/proc" && mount --bind /dev "$root/dev" && mount --bind /dev/pts "$root/dev/pts" ||
  fail "cannot mount /proc and /dev in the minimal system"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" || fail "cannot share the X socket"
cp /etc/resolv.conf "$root/etc/resolv.conf"
while read -r uri suite components; do
  echo "deb $uri $suite $components"
done <<<"$sources" > "$root/etc/apt/sources.list"

as_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
# Every path of the system but the kernel's, the temporary folder and apt's
# and dpkg's own records, sorted.
list_files() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./run -o -path ./tmp \
     -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./var/cache -o -path ./var/log \) -prune \
     -o -print | LC_ALL=C sort)
}

as_root useradd -m -s /bin/sh viewer || fail "useradd"
as_root apt-get update -q >"$work/apt-update.log" 2>&1 || { tail -n 5 "$work/apt-update.log" >&2; fail "apt-get update"; }
list_files > "$work/before.txt"
cp "$deb" "$root/tmp/"
started=$(date +%s)
if ! as_root sh -c "cd /tmp && apt-get install -y -q --no-install-recommends ./$deb_name" >"$work/apt-install.log" 2>&1; then
  tail -n 20 "$work/apt-install.log" >&2
  fail "apt-get install ./$deb_name"
fi
rm -f "$root/tmp/$deb_name"
echo "installed: $(grep -oE "[0-9]+ newly installed" "$work/apt-install.log") packages in $(( $(date +%s) - started )) s"

# What the package installed.
as_root dpkg -L veldrakin > "$work/owned.txt" || fail "dpkg -L veldrakin"
for f in /usr/bin/veldrakin /usr/lib/veldrakin/veldrakin /usr/share/veldrakin/music/KR_VAULT-X2.mp3 \
         /usr/share/applications/veldrakin.desktop /usr/share/icons/hicolor/256x256/apps/veldrakin.png \
         /usr/share/doc/veldrakin/README.txt; do
  grep -qx "$f" "$work/owned.txt" || fail "the package does not install $f"
done
[ -x "$root/usr/bin/veldrakin" ] || fail "/usr/bin/veldrakin is not executable"
missing=$(as_root ldd /usr/lib/veldrakin/veldrakin | grep "not found")
[ -z "$missing" ] || fail "libraries missing after the install: $missing"
grep -qx "Exec=veldrakin" "$root/usr/share/applications/veldrakin.desktop" &&
  grep -qx "Icon=veldrakin" "$root/usr/share/applications/veldrakin.desktop" ||
  fail "the desktop entry does not start veldrakin with its icon"
size=$(python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read(24)
print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else "not a PNG")' \
  "$root/usr/share/icons/hicolor/256x256/apps/veldrakin.png")
[ "$size" = 256x256 ] || fail "the icon is $size, not a 256x256 PNG"

# Starts veldrakin as the viewer in folder $1 with the extra environment
# given after it; sets pid.
start_show() {
  local folder=$1
  shift
  chroot --userspec=viewer:viewer "$root" /usr/bin/env -i HOME=/home/viewer USER=viewer LANG=C.UTF-8 \
    PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" "$@" \
    sh -c 'cd "$1" && exec veldrakin' sh "$folder" >"$work/stdout.txt" 2>"$work/stderr.txt" &
  pid=$!
}
# Ends the running show with Escape; checks the exit code and the log.
end_show() {
  local id=$1 log=$2
  kill -0 "$pid" 2>/dev/null || fail "the show ended by itself"
  xdotool key --window "$id" Escape 2>/dev/null
  wait_for_exit "$pid" 10 || fail "the show did not end within 10 s of Escape"
  pid=""
  [ "$EXIT_CODE" = 0 ] || { cat "$work/stderr.txt" >&2; fail "exit code $EXIT_CODE"; }
  check_show_log "$log"
}

# First from the root folder, which the viewer cannot write to, with the
# default per-user folder.
state="$root/home/viewer/.local/state/veldrakin"
start_show /
id=$(wait_for_window VELDRAKIN_gdi_APP 30) || { cat "$work/stderr.txt" >&2; fail "no window of class VELDRAKIN_gdi_APP"; }
wait_for_line "app_gdi::run started" 30 "$state/app.log" || fail "the show did not start its loop"
title=$(xdotool getwindowname "$id")
[ "$title" = "Quorvane - Veldrakin Demo" ] || fail "window title is '$title'"
sleep 4  # inside the title sequence (0 to 25 s)
colours=$(screen_colours "$work/screenshot.png")
[ "$colours" -gt 64 ] || fail "the title shows only $colours colours ($work/screenshot.png)"
echo "the title 4 s after the start: $colours colours ($work/screenshot.png)"
end_show "$id" "$state/app.log"
for entry in music _glimmerock; do
  [ "$(readlink "$state/$entry")" = "/usr/share/veldrakin/$entry" ] ||
    fail "$state/$entry is not a link to /usr/share/veldrakin/$entry"
done
echo "started from /, ended by Escape with exit code 0, log in ~/.local/state/veldrakin"

# Then from the installed data folder itself, with XDG_STATE_HOME set.
other="$root/home/viewer/elsewhere/veldrakin"
start_show /usr/share/veldrakin XDG_STATE_HOME=/home/viewer/elsewhere
id=$(wait_for_window VELDRAKIN_gdi_APP 30) || fail "no window with XDG_STATE_HOME set"
wait_for_line "app_gdi::run started" 30 "$other/app.log" || fail "the show did not start in \$XDG_STATE_HOME/veldrakin"
end_show "$id" "$other/app.log"
echo "started from /usr/share/veldrakin, log in \$XDG_STATE_HOME/veldrakin"

logs=$(cd "$root" && find . -xdev -name app.log | LC_ALL=C sort | tr '\n' ' ')
[ "$logs" = "./home/viewer/.local/state/veldrakin/app.log ./home/viewer/elsewhere/veldrakin/app.log " ] ||
  fail "app.log files: $logs"
changed=$(as_root dpkg --verify veldrakin)
[ -z "$changed" ] || fail "installed files changed: $changed"
extra=$(cd "$root" && find usr/share/veldrakin usr/lib/veldrakin | sed 's|^|/|' | LC_ALL=C sort |
        comm -23 - <(LC_ALL=C sort "$work/owned.txt"))
[ -z "$extra" ] || fail "files beside the installed ones: $extra"

# Removal: none of the package's files stays, and nothing new stays that
# no remaining package owns, but the per-user folders. Besides those, what
# the dependencies that stay installed made of their own is allowed: the
# start links of their init scripts (x11-common) and the folder that
# libpulse keeps in the user's home when the show looked for a sound server.
# Packages list files under /lib and /bin, which are /usr/lib and /usr/bin here.
as_root apt-get remove -y -q veldrakin >"$work/apt-remove.log" 2>&1 || { tail -n 5 "$work/apt-remove.log" >&2; fail "apt-get remove"; }
left=$(while read -r f; do [ -f "$root$f" ] || [ -L "$root$f" ] && echo "$f"; done < "$work/owned.txt")
[ -z "$left" ] || fail "apt-get remove left: $left"
cat "$root"/var/lib/dpkg/info/*.list | sed -E 's#^/(lib|lib64|bin|sbin)/#/usr/\1/#; s|^|.|' |
  LC_ALL=C sort -u > "$work/packaged.txt"
list_files | comm -13 "$work/before.txt" - | comm -23 - "$work/packaged.txt" |
  grep -vE '^\./home/viewer/(\.local|\.local/state|\.local/state/veldrakin(/.*)?|elsewhere|elsewhere/veldrakin(/.*)?)$' |
  grep -vE '^\./etc/rc[0-6S]\.d/[SK][0-9]+x11-common$|^\./home/viewer/\.config(/pulse(/.*)?)?$' \
  > "$work/left.txt"
[ ! -s "$work/left.txt" ] || { head -n 20 "$work/left.txt" >&2; fail "apt-get remove left files no package owns"; }
echo "apt-get remove left nothing but the per-user folders"
echo "1 passed, 0 failed"
