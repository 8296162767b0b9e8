#!/bin/sh
# Runs a Windows test's command in the Wine session that ctest allotted it: the test
# command runs the sessions as ctest resources of type "wine" (and "wine32", the session
# with a 32-bit prefix), one resource a session, and WINE_SESSIONS names the folder whose
# ID/env holds each session's variables (tools/wine-session.sh). Without an allotment the
# command runs in the current session. A test that switches DLLs off names them in
# WINE_EXTRA_DLLOVERRIDES (d3d9=d), added to the session's own overrides.
#   in-wine-session.sh COMMAND [ARGUMENT...]
allotted=${CTEST_RESOURCE_GROUP_0_WINE:-${CTEST_RESOURCE_GROUP_0_WINE32:-}}
if [ -n "$allotted" ] && [ -n "${WINE_SESSIONS:-}" ]; then
  id=${allotted#id:}
  id=${id%%,*}
  . "$WINE_SESSIONS/$id/env" || exit 1
fi
if [ -n "${WINE_EXTRA_DLLOVERRIDES:-}" ]; then
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$WINE_EXTRA_DLLOVERRIDES"
fi
exec "$@"
