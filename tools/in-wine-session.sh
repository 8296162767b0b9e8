#!/bin/sh
# Runs a Windows test's command in the Wine session that ctest allotted it: the test
# command runs the sessions as ctest resources of type "wine", one resource a session,
# and WINE_SESSIONS names the folder whose ID/env holds each session's variables
# (tools/wine-session.sh). Without an allotment the command runs in the current session.
#   in-wine-session.sh COMMAND [ARGUMENT...]
if [ -n "${CTEST_RESOURCE_GROUP_0_WINE:-}" ] && [ -n "${WINE_SESSIONS:-}" ]; then
  id=${CTEST_RESOURCE_GROUP_0_WINE#id:}
  id=${id%%,*}
  . "$WINE_SESSIONS/$id/env" || exit 1
fi
exec "$@"
