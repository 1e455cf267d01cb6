#!/usr/bin/env bash
# scripts/check-deps.py on a copy of the sources: it passes on them as they
# are, and fails, naming program and package, when a package is dropped from
# the install list (of every mode or of run.sh's mode only), when a script
# runs a program that has no line in the table, and when the table names a
# package the install step does not install.
# Usage: check_deps_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
copy="$work/src"
mkdir "$copy"
tar -C "$source_dir" --exclude='./build*' --exclude=./.git --exclude='*.png' --exclude='*.mp3' -cf - . |
  tar -C "$copy" -xf - || fail "cannot copy the sources"
cp -a "$copy" "$work/pristine"
passed=0
# Runs the check on the copy; $1: expected exit code, $2: text its errors
# must hold. Then puts the copy back as it was.
expect() {
  local code output
  output=$(python3 "$copy/scripts/check-deps.py" --root "$copy" --static 2>&1)
  code=$?
  [ "$code" = "$1" ] || { echo "$output" >&2; fail "$3: exit code $code, expected $1"; }
  if [ -n "$2" ]; then
    grep -qF -- "$2" <<<"$output" || { echo "$output" >&2; fail "$3: no '$2' in the output"; }
  fi
  echo "ok: $3"
  echo "$output" | sed 's/^/    /'
  passed=$((passed + 1))
  rm -rf "$copy"
  cp -a "$work/pristine" "$copy"
}
expect 0 "each from a package" "the sources as they are"

sed -i '/^  xdotool$/d' "$copy/scripts/install-deps.sh"
expect 1 "xdotool (run at tests/" "xdotool dropped from the install list"
sed -i '/^  cmake$/d' "$copy/scripts/install-deps.sh"
expect 1 "comes from package cmake, which scripts/install-deps.sh --test does not install" \
  "cmake dropped from every list"

# Only from the show's list: run.sh builds with it.
python3 - "$copy/scripts/install-deps.sh" <<'PY'
import sys
path = sys.argv[1]
text = open(path).read()
show = text.index("show_packages=(")
at = text.index("\n  cmake\n", show)
text = text[:at] + text[at + len("\n  cmake"):]
text = text.replace("test_packages=(\n", "test_packages=(\n  cmake\n", 1)
open(path, "w").write(text)
PY
expect 1 "reached from run.sh)) comes from package cmake, which scripts/install-deps.sh --show does not install" \
  "cmake moved from the show's list to the tests' list"

# A test that starts to run a program nobody installs, in a command
# substitution inside a function.
printf '%s\n' 'probe_sound() {' '  level=$(sox --version 2>&1 | head -n 1)' '}' >>"$copy/tests/e2e/xvfb.sh"
line=$(grep -n 'sox --version' "$copy/tests/e2e/xvfb.sh" | cut -d: -f1)
expect 1 "sox (run at tests/e2e/xvfb.sh:$line) has no line in scripts/programs.txt" \
  "a new program in a test script"
# The same from a CMake test and from C++ code.
printf '%s\n' 'add_test(NAME probe COMMAND xmllint --version)' >>"$copy/tests/e2e/CMakeLists.txt"
expect 1 "xmllint (run at tests/e2e/CMakeLists.txt" "a new program in a CMake test"
sed -i 's/"lame --quiet -b 192 /"twolame --quiet -b 192 /' "$copy/tests/support/test_support.cpp"
expect 1 "twolame (run at tests/support/test_support.cpp" "a new program in C++ test code"

# The table names the program, but its package is in no list.
printf '%s\n' 'probe_sound() {' '  sox --version' '}' >>"$copy/tests/e2e/xvfb.sh"
echo "sox sox" >>"$copy/scripts/programs.txt"
expect 1 "comes from package sox, which scripts/install-deps.sh --test does not install" \
  "a table line whose package is not installed"
# ... and once the package is added, the check passes again.
printf '%s\n' 'probe_sound() {' '  sox --version' '}' >>"$copy/tests/e2e/xvfb.sh"
echo "sox sox" >>"$copy/scripts/programs.txt"
sed -i 's/^test_packages=($/&\n  sox/' "$copy/scripts/install-deps.sh"
expect 0 "each from a package" "table line and package added"

# Programs that only a here-document, a comment or an echo mentions are none.
printf '%s\n' '# sox makes the tone' 'echo "sox is not needed"' 'python3 - <<PY' 'sox = 1' 'PY' \
  >>"$copy/tests/e2e/xvfb.sh"
expect 0 "each from a package" "words that are not commands"
echo "$passed passed, 0 failed"
