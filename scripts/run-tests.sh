#!/usr/bin/env bash
# Runs every test under Wine inside a private Xvfb server.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" "$(cd "$build" && pwd)/wineprefix"

# The full-disk test of show saving needs a small file system of its own. As root
# a 512 KB tmpfs is mounted for the run; elsewhere that test skips itself.
fulldisk=/tmp/tovaren-fulldisk.$$
cleanup() {
  if mountpoint -q "$fulldisk" 2>/dev/null; then umount "$fulldisk" || true; fi
  rmdir "$fulldisk" 2>/dev/null || true
}
trap cleanup EXIT
if [ "$(id -u)" = 0 ] && mkdir -p "$fulldisk" &&
   mount -t tmpfs -o size=512k,mode=1777 tovaren-fulldisk "$fulldisk" 2>/dev/null; then
  export TOVAREN_FULLDISK=$fulldisk
fi

# Wine's server and desktop process start with the first program and inherit
# its output; started here first, with their output elsewhere, they keep no
# test's output open (which would make that test last the whole run). They
# are ended with the X server, as they belong to it.
export TOVAREN_PREFIX=$(cd "$build" && pwd)/wineprefix
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  "$1/wine-run.sh" wineboot </dev/null >/dev/null 2>&1 || true
  status=0
  ctest --test-dir "$2" --output-on-failure -j "$(nproc)" $3 || status=$?
  WINEPREFIX=$TOVAREN_PREFIX wineserver -k 2>/dev/null || true
  exit $status' run-tests "$here" "$build" "${CTEST_ARGS:-}"
