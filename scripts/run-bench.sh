#!/usr/bin/env bash
# Runs every benchmark program under Wine inside a private Xvfb server and
# prints their figures.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
export TOVAREN_PREFIX=$(cd "$build" && pwd)/wineprefix
"$here/wine-prefix.sh" "$TOVAREN_PREFIX"
# Each benchmark gets an X server of its own; Wine's desktop process would
# outlive one server and answer the next program with the old screen's modes,
# so Wine is ended with every server.
end_wine() { WINEPREFIX=$TOVAREN_PREFIX wineserver -k 2>/dev/null || true; sleep 1; }
for bench in "$build"/bin/bench_*.exe; do
  [ -e "$bench" ] || continue
  # Runs on monitors of its own, through bench/saver/monitors.sh below.
  [ "$(basename "$bench")" = bench_monitors.exe ] && continue
  echo "== $(basename "$bench")"
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$here/wine-run.sh" "$bench"
  end_wine
done
for script in "$here"/../bench/*.sh "$here"/../bench/player/presents-1080.sh "$here"/../bench/editor/editor-1080.sh "$here"/../bench/saver/monitors.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script")"
  bash "$script" "$build"
  end_wine
done
