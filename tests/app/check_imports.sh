#!/usr/bin/env bash
# check_imports.sh EXE: the program may import only DLLs that ship with every Windows, so
# it starts on a bare machine. DirectX DLLs are loaded at run time, never imported.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|msvcrt|shlwapi|winmm|version|hhctrl\.ocx|setupapi)\.dll$'
status=0
# objdump of the build's own width (the 64-bit test build on machines without 32-bit Wine).
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
imports=$("$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
for dll in $imports; do
  if [[ "$dll" =~ $allowed ]]; then
    echo "ok: $dll"
  else
    echo "not allowed: $dll"
    status=1
  fi
done
[ -n "$imports" ] || { echo "no imports read"; status=1; }
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
