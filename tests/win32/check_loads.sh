#!/usr/bin/env bash
# check_loads.sh SOURCE_DIR: every DLL the tool loads at run time goes through the one
# loader (nrv/win32/load_library.cpp): nothing else calls LoadLibrary, and only the graphics, input and sound
# DLLs that players replace with wrappers keep the normal search order.
set -uo pipefail
cd "$1"
status=0
# The tool's own code: every folder but those of the tests, the tools and the build.
folders=()
for folder in */; do
  case ${folder%/} in build | cmake | docs | fuzz | tests | tools) ;; *) folders+=("${folder%/}") ;; esac
done
others=$(grep -rnE '\bLoadLibrary(Ex)?[AW]?\s*\(' "${folders[@]}" --include='*.cpp' --include='*.h' |
         grep -v '^nrv/win32/')
if [ -n "$others" ]; then
  echo "loads past the loader:"; echo "$others"; status=1
fi
# Each call names its DLL, so that what keeps the search order is seen here: a name from a
# variable could be any DLL.
unnamed=$(grep -rnE '\bload_library_as_game_does\s*\(' "${folders[@]}" --include='*.cpp' --include='*.h' |
          grep -v '^nrv/win32/' | grep -vE 'load_library_as_game_does\(L"[^"]+"\)')
if [ -n "$unnamed" ]; then
  echo "a DLL in the normal search order not named as a literal:"; echo "$unnamed"; status=1
fi
kept='^(d3d8|d3d9|ddraw|dinput8|dsound)\.dll$'
while read -r dll; do
  if [[ "$dll" =~ $kept ]]; then echo "ok: $dll in the game's search order"
  else echo "not allowed in the normal search order: $dll"; status=1; fi
done < <(grep -rhoE 'load_library_as_game_does\(L"[^"]+"' "${folders[@]}" --include='*.cpp' |
         sed 's/.*L"\(.*\)"/\1/' | tr 'A-Z' 'a-z')
grep -rhoE 'load_system_library\(L"[^"]+"' "${folders[@]}" --include='*.cpp' | sed 's/.*L"\(.*\)"/ok: \1 from the system folder/'
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
