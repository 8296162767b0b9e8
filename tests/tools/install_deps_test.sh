#!/usr/bin/env bash
# The install steps of tools/install-lib.sh against fakes of apt-get, sudo, dpkg-query, dpkg,
# sleep and id: which apt calls each situation leads to, what is printed, and the status.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The fakes log each call to $work/calls. apt-get answers from the scenario variables:
#   FAKE_UPDATE_FAILS  how many updates fail before one succeeds
#   FAKE_INSTALL       one word per install call in turn: ok, held (dependency problems) or
#                      missing (no such package)
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'FAKE'
#!/bin/bash
echo "apt-get $*" >>"$FAKE_DIR/calls"
case $1 in
  update)
    n=$(cat "$FAKE_DIR/updates" 2>/dev/null || echo 0)
    echo $((n + 1)) >"$FAKE_DIR/updates"
    if [ "$n" -lt "${FAKE_UPDATE_FAILS:-0}" ]; then
      echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size" >&2
      exit 100
    fi ;;
  install)
    n=$(cat "$FAKE_DIR/installs" 2>/dev/null || echo 0)
    echo $((n + 1)) >"$FAKE_DIR/installs"
    read -r -a answers <<<"${FAKE_INSTALL:-ok}"
    case ${answers[$n]:-ok} in
      held) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
      missing) echo "E: Unable to locate package wine32:i386" >&2; exit 100 ;;
    esac ;;
esac
exit 0
FAKE
cat >"$work/bin/dpkg-query" <<'FAKE'
#!/bin/bash
for p in ${FAKE_INSTALLED:-}; do [ "$p" = "${!#}" ] && { echo -n "install ok installed"; exit 0; }; done
exit 1
FAKE
cat >"$work/bin/dpkg" <<'FAKE'
#!/bin/bash
echo "dpkg $*" >>"$FAKE_DIR/calls"
[ "$1" = --print-foreign-architectures ] && [ -n "${FAKE_I386:-}" ] && echo i386
exit 0
FAKE
printf '#!/bin/bash\necho "sudo $1" >>"$FAKE_DIR/calls"\nexec "$@"\n' >"$work/bin/sudo"
printf '#!/bin/bash\necho "sleep $*" >>"$FAKE_DIR/calls"\n' >"$work/bin/sleep"
printf '#!/bin/bash\necho "${FAKE_UID:-0}"\n' >"$work/bin/id"
chmod +x "$work/bin"/*
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' >"$work/os-release"

# The shell options the real script runs the steps with (set -e among them).
real_options=$(grep -m1 '^set -' "$top/tools/install-deps.sh")
[ -n "$real_options" ] || { echo "FAILED: no shell options in tools/install-deps.sh" >&2; exit 1; }

# scenario NAME EXPECTED_STATUS PACKAGES... -- runs install_all in a fresh shell with the
# scenario variables of the caller and the shell options of tools/install-deps.sh, as it runs
# for real; leaves the calls in $work/calls, stderr in $work/err.
scenario() {
  local name=$1 expected=$2
  shift 2
  rm -f "$work/calls" "$work/updates" "$work/installs"
  touch "$work/calls"
  PATH="$work/bin:$PATH" FAKE_DIR=$work INSTALL_OS_RELEASE=$work/os-release \
    bash -c "$real_options"'; source "$0"; install_all "$@"' "$top/tools/install-lib.sh" "$@" \
    >"$work/out" 2>"$work/err"
  local status=$?
  if { [ "$expected" = 0 ] && [ $status -ne 0 ]; } || { [ "$expected" != 0 ] && [ $status -eq 0 ]; }; then
    fail "$name: status $status, expected $expected"
  fi
}
fail() {
  echo "FAILED: $*" >&2
  echo "--- calls:" >&2; cat "$work/calls" >&2
  echo "--- stderr:" >&2; cat "$work/err" >&2
  failures=$((failures + 1))
}
# expect NAME WHAT PATTERN: PATTERN (grep -E) is in $work/WHAT, or with "!" before NAME, not.
expect() {
  local negate=0
  [ "$1" = "!" ] && { negate=1; shift; }
  local name=$1 file=$2 pattern=$3
  if grep -qE -- "$pattern" "$work/$file"; then
    [ $negate = 0 ] || fail "$name: '$pattern' in $file"
  else
    [ $negate = 1 ] || fail "$name: no '$pattern' in $file"
  fi
}
installs() { grep -c '^apt-get install' "$work/calls"; }

packages=(wine wine32:i386 libgl1:i386 gcc-multilib cmake)

FAKE_UPDATE_FAILS=0 FAKE_INSTALL=ok scenario "no fallback" 0 "${packages[@]}"
[ "$(installs)" = 1 ] || fail "no fallback: $(installs) installs"
expect ! "no fallback" calls '^sleep'
expect ! "no fallback" err '^install:'
expect "no fallback" calls '^dpkg --add-architecture i386'

FAKE_UPDATE_FAILS=5 FAKE_INSTALL="held ok" scenario "index failure, then pin" 0 "${packages[@]}"
[ "$(grep -c '^apt-get update' "$work/calls")" = 2 ] || fail "index failure: updates not tried twice"
expect "index failure, then pin" calls '^sleep '
expect "index failure, then pin" calls '^apt-get install .* -t bookworm wine wine32:i386'
expect "index failure, then pin" err '^install: .*bookworm suite'

FAKE_INSTALL="held held ok" scenario "pin refused, then 64-bit set" 0 "${packages[@]}"
[ "$(installs)" = 3 ] || fail "pin refused: $(installs) installs"
last=$(grep '^apt-get install' "$work/calls" | tail -n1)
case $last in
  *:i386* | *" -t "*) fail "pin refused: the last install was '$last'" ;;
  *"wine gcc-multilib cmake") ;;
  *) fail "pin refused: the last install was '$last'" ;;
esac
expect "pin refused, then 64-bit set" err '^install: .*64-bit'

FAKE_INSTALL="missing missing missing" scenario "real failure" 1 "${packages[@]}"
expect "real failure" err 'E: Unable to locate package wine32:i386'
expect "real failure" err '^install: the packages could not be installed'

FAKE_INSTALLED="wine wine32:i386 libgl1:i386 gcc-multilib cmake" scenario "all there" 0 "${packages[@]}"
[ ! -s "$work/calls" ] || fail "all there: $(cat "$work/calls")"

FAKE_UID=1000 FAKE_I386=1 FAKE_INSTALLED="wine" scenario "not root" 0 "${packages[@]}"
expect "not root" calls '^sudo apt-get'
expect ! "not root" calls 'add-architecture'
expect ! "not root" calls '^apt-get install .* wine '

if [ $failures -eq 0 ]; then echo "install steps: all passed"; fi
exit $((failures > 0))
