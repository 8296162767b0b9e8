#!/usr/bin/env bash
# check_imports.sh EXE: the program starts on every Windows it supports (Windows Vista and
# later) and loads no stranger's DLL at start:
# - it imports only DLLs on Windows' KnownDLLs list, which always come from the system
#   folder, and comctl32, which the manifest takes from the system's side-by-side store.
#   Everything else is loaded at run time through the loader of nrv/win32/ (DirectX, oleacc);
# - it imports no function that Windows Vista lacks: such a program would not start there.
#   Newer functions are looked up at run time, where their absence can be handled.
set -euo pipefail
kept='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|msvcrt)\.dll$'
# Functions of Windows 7, 8 and 10 (most of them for per-monitor DPI) a change might import.
newer='^(GetDpiForWindow|GetDpiForSystem|GetDpiForMonitor|GetSystemDpiForProcess|AdjustWindowRectExForDpi|SystemParametersInfoForDpi|GetSystemMetricsForDpi|SetThreadDpiAwarenessContext|GetThreadDpiAwarenessContext|GetWindowDpiAwarenessContext|GetAwarenessFromDpiAwarenessContext|AreDpiAwarenessContextsEqual|SetProcessDpiAwarenessContext|SetProcessDpiAwareness|GetProcessDpiAwareness|EnableNonClientDpiScaling|SetDialogDpiChangeBehavior|SetDialogControlDpiChangeBehavior|LogicalToPhysicalPointForPerMonitorDPI|PhysicalToLogicalPointForPerMonitorDPI|OpenThemeDataForDpi|AddDllDirectory|RemoveDllDirectory|SetDefaultDllDirectories|SetThreadDescription|GetThreadDescription|CreateFile2|GetCurrentPackageId|PowerCreateRequest)$'
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
# Imported functions: "<address> <hint> <name>" lines under each DLL name.
functions=$(awk '/DLL Name:/ {dll = $3} dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print dll ": " $3}' <<<"$table")
[ -n "$functions" ] || { echo "no imported functions read"; status=1; }
while read -r dll function; do
  if [[ "$function" =~ $newer ]]; then
    echo "newer than Windows Vista: $dll $function"
    status=1
  fi
done <<<"$functions"
echo "$(wc -l <<<"$functions") imported functions looked at"
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
