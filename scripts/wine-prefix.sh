#!/usr/bin/env bash
# Creates the 32-bit Wine prefix named by $1 once; later calls return at once.
# A lock keeps tests that start together from building it twice.
set -eu
prefix=$1
[ -f "$prefix/.tovaren-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.tovaren-ready" ] && exit 0
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true
# Without a window manager Wine waits for one on every hide and destroy.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.tovaren-ready"
