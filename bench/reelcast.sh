#!/usr/bin/env bash
# Exports each bundled show, a scanned photograph (rasterwalk of ImageMagick's
# rose) and a 1,000,000-point show with reelcast, 30 s at 640 pixels wide, and
# gives the same frames, as pictures, to ImageMagick (convert -layers
# Optimize) and to gifsicle -O3: sizes, times and the photograph's PSNR.
# Usage: bench/reelcast.sh <build folder>
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export TOVAREN_PREFIX=$build/wineprefix
"$here/../scripts/wine-prefix.sh" "$TOVAREN_PREFIX"
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  bash "$here/reelcast/compare.sh" "$build" "$here/../scripts/wine-run.sh" "$here/.."
