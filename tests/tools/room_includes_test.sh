#!/usr/bin/env bash
# room_includes_test.sh SOURCE_DIR: each room includes only the rooms below it, and those of
# its own floor that docs/architecture.md lets it, so that no two rooms include each other.
# A room is the deepest folder below that holds the file; res/ may be included from anywhere.
set -uo pipefail
cd "$1"

# room floor
floors='
nrv/win32 0
nrv/storage 0
nrv/graphic 0
nrv/audio 0
nrv/peripheral/core 0
nrv/peripheral 0
framework 1
settings 1
text 1
probe 1
pages 2
pages/controller 2
padnav 2
app 3
'
# Includes between rooms of one floor that are allowed, one way only.
same_floor_allowed='
nrv/graphic>nrv/storage
nrv/audio>nrv/storage
nrv/audio>nrv/win32
nrv/peripheral>nrv/peripheral/core
nrv/peripheral>nrv/storage
nrv/peripheral>nrv/win32
nrv/graphic>nrv/win32
nrv/storage>nrv/win32
pages/controller>pages
padnav>pages/controller
padnav>pages
'

floor_of() { awk -v room="$1" '$1 == room { print $2 }' <<<"$floors"; }
# The room of a path: the longest room name that begins it.
room_of() {
  local path=$1 best="" room
  while read -r room _; do
    [ -n "$room" ] || continue
    if [[ "$path" == "$room/"* ]] && [ ${#room} -gt ${#best} ]; then best=$room; fi
  done <<<"$floors"
  echo "$best"
}

status=0
edges=""
while IFS=: read -r file include; do
  from=$(room_of "$file")
  to=$(room_of "$include")
  [ -n "$from" ] && [ -n "$to" ] && [ "$from" != "$to" ] || continue
  if [[ "$include" == */internal.h ]]; then
    echo "$file includes $include, which only its own room may"; status=1; continue
  fi
  from_floor=$(floor_of "$from") to_floor=$(floor_of "$to")
  if [ "$to_floor" -gt "$from_floor" ]; then
    echo "$file ($from, floor $from_floor) includes upwards: $include ($to, floor $to_floor)"; status=1
  elif [ "$to_floor" -eq "$from_floor" ] && ! grep -qx "$from>$to" <<<"$same_floor_allowed"; then
    echo "$file ($from) includes $include ($to) of its own floor, which is not allowed"; status=1
  fi
  edges+="$from>$to"$'\n'
done < <(grep -rHoE '^#include "[a-z0-9_/]+\.h"' app framework nrv pages padnav probe settings text \
           --include='*.cpp' --include='*.h' | sed -E 's/:#include "(.*)"$/:\1/')

# No two rooms include each other.
while read -r edge; do
  [ -n "$edge" ] || continue
  if grep -qx "${edge#*>}>${edge%>*}" <<<"$edges"; then
    echo "rooms include each other: ${edge%>*} and ${edge#*>}"; status=1
  fi
done < <(sort -u <<<"$edges")

[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
