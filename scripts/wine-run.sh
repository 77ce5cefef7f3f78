#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own 32-bit prefix,
# creating the prefix on first use. TOVAREN_PREFIX overrides its place.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
export WINEPREFIX=${TOVAREN_PREFIX:-${WINEPREFIX_OVERRIDE:-$top/build/wineprefix}}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
