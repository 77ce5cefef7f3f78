#!/usr/bin/env bash
# The saver on two monitors against one: bench_monitors.exe on the
# two-monitor X server, then on the same kind of server with the second
# monitor switched off; prints both runs' figures and the ratios between them.
#
#   bench/saver/monitors.sh [build folder]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
if [ "$(id -u)" != 0 ] || ! command -v Xorg >/dev/null; then
  echo "skipped: the two-monitor X server needs root and Xorg"
  exit 0
fi
work=$(mktemp -d /tmp/tovaren-bench-monitors.XXXXXX)
export WINEPREFIX=$build/testdata/monitor-prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  for place in "$work"/*/; do "$top/scripts/two-monitors.sh" stop "$place" || true; done
  rm -rf "$work"
}
trap cleanup EXIT
"$top/scripts/wine-prefix.sh" "$WINEPREFIX"

for place in RightOf Off; do
  display=$("$top/scripts/two-monitors.sh" start "$work/$place" "$place")
  wineserver -k 2>/dev/null || true
  DISPLAY=$display wine wineboot </dev/null >/dev/null 2>&1 || true
  DISPLAY=$display wine "$build/bin/bench_monitors.exe" | tr -d '\r' | tee -a "$work/figures"
  wineserver -k 2>/dev/null || true
  "$top/scripts/two-monitors.sh" stop "$work/$place"
done

awk '$1 == "FIGURE" { f[$2] = $3 }
  function ratio(a, b) { return (f[b] > 0) ? sprintf("%.2f", f[a] / f[b]) : "n/a" }
  END {
    print "start to first frame, two monitors against one:     ratio " ratio("start_saver_2", "start_saver_1") "  (target <= 1.15)"
    print "  the same for the bare DirectDraw program:          ratio " ratio("start_bare_2", "start_bare_1") "  (what the second monitor costs any full-screen program here)"
    if (f["start_bare_1"] > 0 && f["start_saver_1"] > 0 && f["start_bare_2"] > 0)
      print "  the saver alone, the bare program part taken out: ratio " sprintf("%.2f", (f["start_saver_2"] / f["start_bare_2"]) / (f["start_saver_1"] / f["start_bare_1"]))
    print "start to first frame against bare DirectDraw, one:   ratio " ratio("start_saver_1", "start_bare_1") "  (aim <= 1.15)"
    print "start to first frame against bare DirectDraw, two:   ratio " ratio("start_saver_2", "start_bare_2") "  (aim <= 1.15)"
    print "presents per second, main monitor, two against one:  ratio " ratio("presents_2_1", "presents_1_1")
    print "key press to every monitor repainted, two against one: ratio " ratio("input_2", "input_1")
  }' "$work/figures"
