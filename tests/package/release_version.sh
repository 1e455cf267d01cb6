#!/usr/bin/env bash
# scripts/release-version.sh on throw-away repositories: a tree without tags,
# an exact tag, commits after a tag, uncommitted changes and tags that need
# mending all give valid Debian versions that sort in the order of the
# releases.
# Usage: release_version.sh SOURCE_DIR
set -uo pipefail
script="$1/scripts/release-version.sh"
. "$(dirname "$0")/release_env.sh"
repo=$(mktemp -d)
trap 'rm -rf "$repo"' EXIT
export GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@t GIT_COMMITTER_NAME=t GIT_COMMITTER_EMAIL=t@t
export GIT_COMMITTER_DATE="2026-03-04T23:30:00+00:00" GIT_AUTHOR_DATE="2026-03-04T23:30:00+00:00"
git -C "$repo" init -q
commit() { echo "$1" > "$repo/f"; git -C "$repo" add f; git -C "$repo" commit -q -m "$1"; }
hash() { git -C "$repo" rev-parse --short HEAD; }
expect() {
  local got
  got=$("$script" "$repo") || fail "release-version.sh failed for '$1'"
  [ "$got" = "$1" ] || fail "expected '$1', got '$got'"
  dpkg --validate-version "$got" || fail "'$got' is not a Debian version"
  echo "$got"
}
later() { dpkg --compare-versions "$2" gt "$1" || fail "'$2' does not sort after '$1'"; }

commit one
untagged=$(expect "0.0~git20260304.$(hash)")   # the commit's date in UTC
echo change > "$repo/f"
untagged_dirty=$(expect "0.0~git20260304.$(hash).dirty")
later "$untagged" "$untagged_dirty"
git -C "$repo" checkout -q f
git -C "$repo" tag v1.2.0-rc1
rc=$(expect "1.2.0~rc1")
later "$untagged_dirty" "$rc"
git -C "$repo" tag v1.2.0
release=$(expect "1.2.0")
later "$rc" "$release"
commit two
commit three
after=$(expect "1.2.0+git2.$(hash)")
later "$release" "$after"
echo change > "$repo/f"
after_dirty=$(expect "1.2.0+git2.$(hash).dirty")
later "$after" "$after_dirty"
git -C "$repo" checkout -q f
git -C "$repo" tag release_2
expect "0.0~release.2" >/dev/null  # a tag that does not start with a digit
echo "1 passed, 0 failed"
