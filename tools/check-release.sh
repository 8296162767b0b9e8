#!/usr/bin/env bash
# Builds the player's release twice, from two clones of the current commit in two
# different folders, and checks what a player relies on: settings.exe and the zip are the
# same byte for byte, settings.exe is at most 1.5 MB, has no debug sections, imports
# only DLLs that come from the system folder and no function newer than Windows Vista,
# and SHA256SUMS matches the zip. Exits non-zero when any of it fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/install-deps.sh

work=$(mktemp -d /tmp/settings-release.XXXXXX)
trap '[ -n "${KEEP_RELEASE_BUILDS:-}" ] || rm -rf "$work"' EXIT
commit=$(git rev-parse HEAD)
builds=("$work/a" "$work/second/build-folder")
for dir in "${builds[@]}"; do
  mkdir -p "$(dirname "$dir")"
  git clone -q "$top" "$dir"
  git -C "$dir" checkout -q "$commit"
  (cd "$dir" && cmake --workflow --preset release >"$dir.log" 2>&1) || { cat "$dir.log"; exit 1; }
done

status=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; status=1; fi
}
exe_a="${builds[0]}/build/release-build/app/settings.exe"
exe_b="${builds[1]}/build/release-build/app/settings.exe"
zip_a=$(ls "${builds[0]}"/build/release/*.zip)
zip_b=$(ls "${builds[1]}"/build/release/*.zip)
check "settings.exe is the same from both folders" cmp -s "$exe_a" "$exe_b"
check "$(basename "$zip_a") is the same from both folders" cmp -s "$zip_a" "$zip_b"
size=$(stat -c %s "$exe_a")
check "settings.exe is $size bytes, at most 1.5 MB" test "$size" -le 1500000
check "settings.exe has no debug sections" \
  bash -c "! i686-w64-mingw32-objdump -h '$exe_a' | grep -q '\.debug'"
check "settings.exe imports only system-folder DLLs, nothing newer than Windows Vista" bash -c "tests/app/check_imports.sh '$exe_a' >/dev/null"
check "SHA256SUMS matches the zip" bash -c "cd '${builds[0]}/build/release' && sha256sum -c --quiet SHA256SUMS"
echo "sha256 $(cat "${builds[0]}/build/release/SHA256SUMS")"
exit $status
