#!/usr/bin/env bash
# Installs what is missing, builds the tool and starts it under Wine: on your display when
# there is one, otherwise under Xvfb, where a screenshot of the sheet is saved.
#
# By default it runs in a Wine prefix of its own under build/run/, so it never touches
# yours. To configure a game installed in your own prefix, name it:
#   WINEPREFIX=$HOME/.wine tools/run.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

tools/install-deps.sh
source tools/wine-session.sh
[ "$WINE_PRESET" = windows ] || echo "$WINE_SESSION_NO_32BIT: running the 64-bit build."
cmake --preset "$WINE_PRESET" >/dev/null
cmake --build --preset "$WINE_PRESET" --target settings
# The prefix given in WINEPREFIX, or a Wine world of its own under build/.
if [ -n "${WINEPREFIX:-}" ]; then
  [ -d "$WINEPREFIX" ] || { echo "There is no Wine prefix at $WINEPREFIX" >&2; exit 1; }
  export WINE_SESSION_PREFIX="$WINEPREFIX"
fi
session="$top/build/run"
trap wine_session_stop EXIT
wine_session_start "$session"

exe="$top/build/$WINE_PRESET/app/settings.exe"
if [ "$WINE_SESSION_HEADLESS" = 1 ]; then
  shot="$top/build/settings-sheet.png"
  wine "$exe" &
  tool=$!
  # Wait for the sheet's window, then photograph the screen and close the sheet.
  for _ in $(seq 60); do
    xdotool search --onlyvisible --class "settings.exe" >/dev/null 2>&1 && break
    sleep 1
  done
  sleep 2
  import -window root "$shot"
  # Xvfb has no desktop: keep just the window.
  convert "$shot" -bordercolor black -border 1 -fuzz 2% -trim +repage "$shot" || true
  echo "No display: the tool ran under Xvfb; screenshot saved to $shot"
  # Close the sheet as its close box would (Cancel: nothing is written).
  wine taskkill /im settings.exe >/dev/null 2>&1 || true
  wait "$tool" || true
else
  wine "$exe"
  echo "Settings are kept in Kestrane/Calcora/settings.dat in the Documents folder of the prefix $WINEPREFIX."
fi
