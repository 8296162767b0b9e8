#!/bin/sh
# Runs the tests of a test executable that a gtest filter picks once at each DPI given,
# in a Wine prefix of their own under the session's folder (the session's own prefix, and
# the pads its services drive, stay as they are). The DPI is the prefix's LogPixels,
# read when the prefix's wineserver starts again.
#   run_at_dpi.sh EXE FILTER DPI...
exe=$1
filter=$2
shift 2
WINEPREFIX="${WINEPREFIX:-$HOME/.wine}-dpi"
export WINEPREFIX
wineboot -i >/dev/null 2>&1
status=0
for dpi in "$@"; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w
  echo "--- at $dpi DPI"
  wine "$exe" --gtest_brief=1 --gtest_filter="$filter" || status=1
done
wineserver -k >/dev/null 2>&1
wineserver -w
exit $status
