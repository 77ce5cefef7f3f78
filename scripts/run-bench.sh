#!/usr/bin/env bash
# Runs every benchmark program under Wine inside a private Xvfb server and
# prints their figures.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
export TOVAREN_PREFIX=$(cd "$build" && pwd)/wineprefix
"$here/wine-prefix.sh" "$TOVAREN_PREFIX"
for bench in "$build"/bin/bench_*.exe; do
  [ -e "$bench" ] || continue
  echo "== $(basename "$bench")"
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$here/wine-run.sh" "$bench"
done
for script in "$here"/../bench/*.sh "$here"/../bench/player/presents-1080.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script")"
  bash "$script" "$build"
done
