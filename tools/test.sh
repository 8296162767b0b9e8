#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the portable code
# natively under AddressSanitizer and UndefinedBehaviorSanitizer (with bounded fuzzing),
# then the Windows build under Wine and Xvfb. Exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

tools/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
source tools/wine-session.sh
# SETTINGS_WINE_SESSIONS=N: how many Wine sessions run the tests side by side (3 by default).
sessions_arg=()
[ -z "${SETTINGS_WINE_SESSIONS:-}" ] || sessions_arg=(-DSETTINGS_WINE_SESSIONS="$SETTINGS_WINE_SESSIONS")
cmake --preset windows "${sessions_arg[@]}" >/dev/null
if [ "$WINE_PRESET" = windows ]; then
  cmake --build --preset windows
else
  echo "$WINE_SESSION_NO_32BIT: the Windows tests run in the 64-bit build."
  # The player's 32-bit program is still built, so that it never stops compiling.
  cmake --build --preset windows --target settings
  cmake --preset "$WINE_PRESET" "${sessions_arg[@]}" >/dev/null
  cmake --build --preset "$WINE_PRESET"
fi

status=0
# The native tests keep the processor busy while the Wine tests mostly wait on windows,
# timers and devices: both run at once, the native ones' report shown after.
native_log=$(mktemp /tmp/settings-native-tests.XXXXXX)
ctest --preset native -j2 >"$native_log" 2>&1 &
native=$!

session=$(mktemp -d /tmp/settings-tests.XXXXXX)
trap 'wine_session_stop; rm -rf "$session" "$native_log"' EXIT
# Virtual game controllers for the controller tests, a library of each width.
pads="$top/build/$WINE_PRESET/tests/e2e"
export VIRTUAL_PADS_LIBRARIES="$pads/libvirtual_pads32.so $pads/libvirtual_pads64.so"
# Wine sessions side by side, each with its own prefix, display and pads; ctest gives each
# test a session (tools/in-wine-session.sh), and a session runs two tests at once or one
# that must be alone in it. The sessions are the ctest resources that the build wrote to
# build/PRESET/wine-sessions.json. Where 32-bit programs run, one more session has a 32-bit
# prefix, for the tests that run there once more (players have both kinds of prefix).
sessions=$(sed -n 's/^SETTINGS_WINE_SESSIONS:STRING=//p' "$top/build/$WINE_PRESET/CMakeCache.txt")
extra=()
for ((i = 1; i < sessions; i++)); do extra+=("$session/$i"); done
[ "$WINE_PRESET" = windows ] && extra+=("win32:$session/win32")
if ! wine_session_start "$session/0" headless ||
  { [ ${#extra[@]} -eq 0 ] || ! wine_session_add "${extra[@]}"; }; then
  echo "The Wine sessions for the tests did not start (see above): no Windows test was run." >&2
  wait $native || true
  cat "$native_log"
  exit 1
fi
export WINE_SESSIONS="$session"
# The end-to-end tests save their screenshots here.
export SETTINGS_ARTIFACTS="$top/build/artifacts"
mkdir -p "$SETTINGS_ARTIFACTS"
ctest --preset "$WINE_PRESET-sessions" -j$((2 * ${#extra[@]} + 2)) || status=1

wait $native || status=1
cat "$native_log"

# Screenshots come out of Wine as BMPs; keep PNGs to look at.
for shot in "$SETTINGS_ARTIFACTS"/*.bmp; do
  [ -e "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "Screenshots of every page in every language: $SETTINGS_ARTIFACTS"

exit $status
