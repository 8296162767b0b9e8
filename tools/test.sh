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
ctest --preset native -j2 || status=1

session=$(mktemp -d /tmp/settings-tests.XXXXXX)
trap 'wine_session_stop; rm -rf "$session"' EXIT
# Virtual game controllers for the controller tests.
export VIRTUAL_PADS_LIBRARY="$top/build/$WINE_PRESET/tests/e2e/libvirtual_pads.so"
wine_session_start "$session" headless
# The end-to-end tests save their screenshots here.
export SETTINGS_ARTIFACTS="$top/build/artifacts"
mkdir -p "$SETTINGS_ARTIFACTS"
ctest --preset "$WINE_PRESET" -j2 || status=1

# Screenshots come out of Wine as BMPs; keep PNGs to look at.
for shot in "$SETTINGS_ARTIFACTS"/*.bmp; do
  [ -e "$shot" ] || continue
  convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "Screenshots of every page in every language: $SETTINGS_ARTIFACTS"

exit $status
