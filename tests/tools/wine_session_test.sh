#!/usr/bin/env bash
# The choices tools/wine-session.sh makes, against fakes of Wine's loaders, wine, wineboot,
# wineserver, Xvfb and sleep: which build runs where, which pad libraries are preloaded, and
# that a session whose pads did not start fails, however many start beside it.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

# Which build: a 32-bit loader that runs decides, whatever else is there.
preset_with() {
  local dir=$work/lib-$1
  mkdir -p "$dir"
  case $1 in *32ok*) printf '#!/bin/sh\nexit 0\n' >"$dir/wine" ;; *32bad*) printf '#!/bin/sh\nexit 126\n' >"$dir/wine" ;; esac
  case $1 in *64*) printf '#!/bin/sh\nexit 0\n' >"$dir/wine64" ;; esac
  chmod +x "$dir"/* 2>/dev/null
  WINE_SESSION_LIBDIR=$dir bash -c 'source "$0"; wine_session_preset' "$top/tools/wine-session.sh"
}
while read -r loaders expected; do
  got=$(preset_with "$loaders")
  [ "$got" = "$expected" ] || fail "loaders $loaders: $got, expected $expected"
done <<'TABLE'
32ok-64 windows
32ok windows
32bad-64 windows64
none-64 windows64
none windows
TABLE

# The session boot: fake Wine programs. The fake wine plays a device host of the width in
# FAKE_HOST_BITS: it starts the pads (writes the .done file) when a library of that width
# is among those preloaded.
mkdir -p "$work/bin"
printf '#!/bin/sh\n' >"$work/bin/wineboot"
printf '#!/bin/sh\n' >"$work/bin/wineserver"
printf '#!/bin/sh\n' >"$work/bin/sleep"
cat >"$work/bin/wine" <<'FAKE'
#!/bin/sh
case " ${LD_PRELOAD:-} " in
  *"pads$FAKE_HOST_BITS.so "*) echo 1 >"$VIRTUAL_PADS_COMMANDS.done" ;;
esac
FAKE
cat >"$work/bin/Xvfb" <<'FAKE'
#!/bin/sh
echo 99 >&3
FAKE
chmod +x "$work/bin"/*
touch "$work/pads32.so" "$work/pads64.so"

# boot BITS [DIR...]: wine_session_add of the given sessions, with the host of that width.
boot() {
  local bits=$1
  shift
  PATH="$work/bin:$PATH" FAKE_HOST_BITS=$bits \
    VIRTUAL_PADS_LIBRARIES="$work/pads32.so $work/pads64.so $work/absent.so" \
    bash -c 'source "$0"; wine_session_add "$@"' "$top/tools/wine-session.sh" "$@" 2>"$work/err"
}
for bits in 32 64; do
  rm -rf "$work/s"
  boot $bits "$work/s/a" "win32:$work/s/b" || fail "a $bits-bit device host: the pads did not start"
  grep -q 'WINEARCH=win32' "$work/s/b/env" || fail "win32: the session has no 32-bit prefix"
  ! grep -q WINEARCH "$work/s/a/env" || fail "a session not asked for a 32-bit prefix has one"
done

# A session whose pads do not start fails the lot, also when it is not the last to finish.
cat >"$work/bin/wine" <<'FAKE'
#!/bin/sh
case $WINEPREFIX in *bad*) exit 0 ;; esac
echo 1 >"$VIRTUAL_PADS_COMMANDS.done"
FAKE
rm -rf "$work/s"
if boot 32 "$work/s/bad" "$work/s/good1" "$work/s/good2"; then
  fail "a session without its pads counted as started"
fi
grep -q "did not start in $work/s/bad" "$work/err" || fail "the failing session is not named: $(cat "$work/err")"

# Windows are unmanaged where no window manager runs (Xvfb), and left to the user's manager
# on the user's own display.
printf '#!/bin/sh\necho "$*" >>"$WINEPREFIX.calls"\n' >"$work/bin/wine"
printf '#!/bin/sh\n' >"$work/bin/pulseaudio"
chmod +x "$work/bin"/*
unmanaged() { grep -q 'X11 Driver /v Managed /d N' "$1/prefix.calls" 2>/dev/null && echo yes || echo no; }
rm -rf "$work/s"
start() {
  PATH="$work/bin:$PATH" DISPLAY=:5 bash -c 'source "$0"; wine_session_start "$@"' \
    "$top/tools/wine-session.sh" "$@" 2>>"$work/err"
}
start "$work/s/desktop"
start "$work/s/headless" headless
boot 64 "$work/s/added"
while read -r session expected; do
  got=$(unmanaged "$work/s/$session")
  [ "$got" = "$expected" ] || fail "$session session: windows unmanaged $got, expected $expected"
done <<'TABLE'
desktop no
headless yes
added yes
TABLE

if [ $failures -eq 0 ]; then echo "wine session choices: all passed"; fi
exit $((failures > 0))
