#!/usr/bin/env bash
# Runs every test under Wine inside a private Xvfb server.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" "$(cd "$build" && pwd)/wineprefix"
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" ${CTEST_ARGS:-}
