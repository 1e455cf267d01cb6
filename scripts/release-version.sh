#!/usr/bin/env bash
# Prints the release version of a git work tree as a Debian version, from
# `git describe --tags --always --dirty`:
#   tag v1.2.3 on the commit          -> 1.2.3
#   4 commits after it                -> 1.2.3+git4.abcdef0
#   no tag at all                     -> 0.0~git20261208.abcdef0 (the commit's UTC date)
#   changes not committed             -> the same with .dirty (or +dirty) after it
# A leading v is dropped; in a tag, a hyphen before a letter becomes ~ (so
# 1.0-rc1 sorts before 1.0) and any other character Debian does not allow
# in a version becomes a dot.
# Usage: release-version.sh [WORK_TREE]
set -euo pipefail
tree=${1:-.}
described=$(git -C "$tree" describe --tags --always --dirty)
dirty=
if [[ $described == *-dirty ]]; then
  dirty=dirty
  described=${described%-dirty}
fi

if ! git -C "$tree" describe --tags --abbrev=0 >/dev/null 2>&1; then
  date=$(TZ=UTC git -C "$tree" log -1 --format=%cd --date=format-local:%Y%m%d)
  version="0.0~git${date}.${described}"
  [ -n "$dirty" ] && version+=".dirty"
else
  tag=$described
  after=
  if [[ $described =~ ^(.+)-([0-9]+)-g([0-9a-f]+)$ ]]; then
    tag=${BASH_REMATCH[1]}
    after="git${BASH_REMATCH[2]}.${BASH_REMATCH[3]}"
  fi
  tag=${tag#[vV]}
  tag=$(printf '%s' "$tag" | sed -E -e 's/-([A-Za-z])/~\1/g' -e 's/[^A-Za-z0-9.+~]/./g')
  # A Debian version starts with a digit.
  [[ $tag =~ ^[0-9] ]] || tag="0.0~${tag}"
  version=$tag
  suffix=$after
  if [ -n "$dirty" ]; then suffix=${suffix:+$suffix.}$dirty; fi
  [ -n "$suffix" ] && version+="+${suffix}"
fi
echo "$version"
