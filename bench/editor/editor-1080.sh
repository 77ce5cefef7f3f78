#!/usr/bin/env bash
# The editor's figures on a 1920x1080 screen, where every recorded move repaints
# the most. Usage: bench/editor/editor-1080.sh <build folder>
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/../.." && pwd)
export TOVAREN_PREFIX=$(cd "$build" && pwd)/wineprefix
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
  "$top/scripts/wine-run.sh" "$build/bin/bench_editor.exe"
