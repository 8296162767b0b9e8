#!/usr/bin/env bash
# check_imports.sh EXE: the program starts on every Windows it supports (Windows Vista and
# later) and loads no stranger's DLL at start:
# - it imports only DLLs on Windows' KnownDLLs list, which always come from the system
#   folder, and comctl32, which the manifest takes from the system's side-by-side store.
#   Everything else is loaded at run time through the loader of nrv/win32/ (DirectX, oleacc);
# - it imports only the functions of allowed_imports.txt (beside this script), each one
#   known to be in Windows Vista: a program importing a function its Windows lacks does not
#   start at all. A newer function is looked up at run time, where its absence can be
#   handled; a new import of an old one is added to the list on purpose.
set -euo pipefail
kept='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|msvcrt)\.dll$'
allowed_list="$(dirname "$0")/allowed_imports.txt"
status=0
# objdump of the build's own width (the 64-bit test build on machines without 32-bit Wine).
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
table=$("$objdump" -p "$1" | sed -n '/^The Import Tables/,/^The /p')
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$table" | tr 'A-Z' 'a-z')
for dll in $imports; do
  if [[ "$dll" =~ $kept ]]; then
    echo "ok: $dll"
  else
    echo "not allowed: $dll"
    status=1
  fi
done
[ -n "$imports" ] || { echo "no imports read"; status=1; }
# Imported functions: "<address> <hint> <name>" lines under each DLL name ("<none>" for a
# function imported by number, which no list allows).
functions=$(awk '/DLL Name:/ {dll = tolower($3)} dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print dll, $3}' <<<"$table")
[ -n "$functions" ] || { echo "no imported functions read"; status=1; }
allowed=$(grep -v -e '^#' -e '^$' "$allowed_list")
while read -r dll function; do
  if ! grep -qxF "$dll $function" <<<"$allowed"; then
    echo "not in allowed_imports.txt: $dll $function"
    status=1
  fi
done <<<"$functions"
echo "$(wc -l <<<"$functions") imported functions looked at"
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
