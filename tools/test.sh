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
cmake --preset windows >/dev/null
if [ "$WINE_PRESET" = windows ]; then
  cmake --build --preset windows
else
  echo "This machine cannot run 32-bit programs: the Windows tests run in the 64-bit build."
  # The player's 32-bit program is still built, so that it never stops compiling.
  cmake --build --preset windows --target settings
  cmake --preset "$WINE_PRESET" >/dev/null
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
# Virtual game controllers for the controller tests.
export VIRTUAL_PADS_LIBRARY="$top/build/$WINE_PRESET/tests/e2e/libvirtual_pads.so"
# Wine sessions side by side, each with its own prefix, display and pads; ctest gives each
# test a session (tools/in-wine-session.sh), and a session runs two tests at once or one
# that must be alone in it.
sessions=${SETTINGS_WINE_SESSIONS:-3}
wine_session_start "$session/0" headless
extra=()
for ((i = 1; i < sessions; i++)); do extra+=("$session/$i"); done
[ ${#extra[@]} -eq 0 ] || wine_session_add "${extra[@]}"
export WINE_SESSIONS="$session"
# The sessions as ctest resources, for the test presets "<preset>-sessions".
{
  printf '{"version": {"major": 1, "minor": 0}, "local": [{"wine": ['
  for ((i = 0; i < sessions; i++)); do
    printf '%s{"id": "%d", "slots": 2}' "$([ $i -gt 0 ] && echo ,)" "$i"
  done
  printf ']}]}\n'
} >"$top/build/wine-sessions.json"
# The end-to-end tests save their screenshots here.
export SETTINGS_ARTIFACTS="$top/build/artifacts"
mkdir -p "$SETTINGS_ARTIFACTS"
ctest --preset "$WINE_PRESET-sessions" -j$((2 * sessions)) || status=1

wait $native || status=1
cat "$native_log"

# Screenshots come out of Wine as BMPs; keep PNGs to look at.
for shot in "$SETTINGS_ARTIFACTS"/*.bmp; do
  [ -e "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "Screenshots of every page in every language: $SETTINGS_ARTIFACTS"

exit $status
