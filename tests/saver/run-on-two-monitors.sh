#!/usr/bin/env bash
# Runs a test program under Wine on a two-monitor X server of its own, with
# the second monitor right of the main one, left of it (negative
# coordinates), and smaller (800 x 600) right of it, in a Wine prefix kept
# for these runs.
#
#   run-on-two-monitors.sh <build folder> <program.exe> [arguments...]
#
# TOVAREN_MONITOR_PLACES picks layouts ("RightOf LeftOf SmallRightOf" when
# unset). The X server needs root; elsewhere the run is skipped (exit status 77).
set -euo pipefail
build=$(cd "$1" && pwd)
program=$2
shift 2
top=$(cd "$(dirname "$0")/../.." && pwd)

if [ "$(id -u)" != 0 ] || ! command -v Xorg >/dev/null; then
  echo "skipped: the two-monitor X server needs root and Xorg (scripts/setup.sh installs it)"
  exit 77
fi

work=$(mktemp -d /tmp/tovaren-monitors.XXXXXX)
export WINEPREFIX=$build/testdata/monitor-prefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  for place in "$work"/*/; do "$top/scripts/two-monitors.sh" stop "$place" || true; done
  rm -rf "$work"
}
trap cleanup EXIT
"$top/scripts/wine-prefix.sh" "$WINEPREFIX"

status=0
for place in ${TOVAREN_MONITOR_PLACES:-RightOf LeftOf SmallRightOf}; do
  echo "== second monitor: $place of the main one"
  display=$("$top/scripts/two-monitors.sh" start "$work/$place" "$place")
  # Wine's server and desktop belong to one X server: they start afresh on
  # this one, with their output elsewhere.
  wineserver -k 2>/dev/null || true
  DISPLAY=$display wine wineboot </dev/null >/dev/null 2>&1 || true
  DISPLAY=$display TOVAREN_SECOND_MONITOR=$place wine "$program" "$@" || status=1
  wineserver -k 2>/dev/null || true
  "$top/scripts/two-monitors.sh" stop "$work/$place"
done
exit "$status"
