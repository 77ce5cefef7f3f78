#!/usr/bin/env bash
# Runs a test program in a Wine prefix made for this run alone, as a new
# computer would be: the prefix folder is emptied and created again first.
#
#   run-in-fresh-prefix.sh <prefix folder> <program.exe> [arguments...]
#
# The prefix stays after a failure for a look inside, and goes after a pass.
set -euo pipefail
prefix=$1
shift
top=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ -d "$prefix" ]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
"$top/scripts/wine-prefix.sh" "$prefix"
# Wine's server and desktop start here with their output elsewhere, so they
# hold none of the test's output open when it ends.
wine wineboot </dev/null >/dev/null 2>&1 || true

status=0
wine "$@" || status=$?
wineserver -k 2>/dev/null || true
if [ "$status" -eq 0 ]; then
  rm -rf "$prefix" "$prefix.lock"
fi
exit "$status"
