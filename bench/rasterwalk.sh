#!/usr/bin/env bash
# Times rasterwalk and rasterwalk2 under Wine on 1024 x 768 pictures made with
# ImageMagick, next to Debian's potrace on the same pictures, and prints how
# many strokes rasterwalk2 finds per brush stroke drawn.
# Usage: bench/rasterwalk.sh <build folder>
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
export TOVAREN_PREFIX=$build/wineprefix
"$here/../scripts/wine-prefix.sh" "$TOVAREN_PREFIX"
work=$build/bench-rasterwalk
"$here/rasterwalk/make-pictures.sh" "$work" >/dev/null
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  python3 "$here/rasterwalk/bench.py" "$build" "$work" "$here/../scripts/wine-run.sh"
