#!/usr/bin/env bash
# Fuzzes every reader of outside data: libFuzzer on the native builds of the
# readers that need no Windows, wine_fuzz under Wine on the ones that do.
#
#   scripts/fuzz.sh [--short|--long] <build folder>
#   scripts/fuzz.sh --list        the lines "fuzz|<reader>|<engine>" it prints
#
# --short (the tests): a few seconds a reader. --long (the default, run by
# scripts/reliability.sh): FUZZ_RUNS native inputs a reader (1000000) and
# WINE_RUNS Wine inputs a reader (50000). Prints one line a reader
# "fuzz|<reader>|<engine>|<inputs>|<findings>" and ends non-zero on a finding.
# Findings are kept in <build>/fuzz-work/findings/. Wine needs an X display
# (the scanners' loader takes the screen's DC) and TOVAREN_PREFIX.
set -euo pipefail

# Every reader the runs cover, once: engine, reader, then the engine's own
# arguments (libFuzzer: target, corpus, dictionary; wine_fuzz: corpus,
# dictionary). Calls "$1" with each.
each_reader() {
  "$1" libFuzzer "show file" fuzz_showfile show show.dict
  "$1" libFuzzer "standalone trailer" fuzz_trailer trailer trailer.dict
  "$1" libFuzzer "bitmap" fuzz_bitmap bitmap bitmap.dict
  "$1" libFuzzer "shortcut" fuzz_shortcut shortcut names.dict
  "$1" libFuzzer "list name" fuzz_names names names.dict
  "$1" libFuzzer "animation writer" fuzz_gif gif gif.dict
  "$1" wine_fuzz show show show.dict
  "$1" wine_fuzz trailer trailer trailer.dict
  "$1" wine_fuzz bitmap bitmap bitmap.dict
  "$1" wine_fuzz shortcut shortcut names.dict
}

if [ "${1:-}" = --list ]; then
  list_reader() { echo "fuzz|$2|$1"; }
  each_reader list_reader
  exit 0
fi

mode=--long
if [ "${1:-}" = --short ] || [ "${1:-}" = --long ]; then mode=$1; shift; fi
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
fuzz=$(dirname "$here")/tests/fuzz
native=$build/fuzz-native
work=$build/fuzz-work
rm -rf "$work"
mkdir -p "$work/findings"
export TOVAREN_PREFIX=${TOVAREN_PREFIX:-$build/wineprefix}

if [ "$mode" = --short ]; then
  native_limit=(-max_total_time=5)
  wine_runs=300
else
  native_limit=(-runs="${FUZZ_RUNS:-1000000}")
  wine_runs=${WINE_RUNS:-50000}
fi
seed=${FUZZ_SEED:-$(date +%s)}
failed=0

# reader, libFuzzer target, corpus, dictionary
native_run() {
  local reader=$1 target=$2 corpus=$3 dict=$4
  local scratch=$work/corpus-$target log=$work/$target.log
  mkdir -p "$scratch"
  local status=0
  nice -n 15 "$native/$target" "${native_limit[@]}" -seed="$seed" -dict="$fuzz/$dict" -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$work/findings/$target-" "$scratch" "$fuzz/corpus/$corpus" \
      >"$log" 2>&1 || status=$?
  local inputs
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  local findings=0
  if [ $status -ne 0 ]; then findings=1; failed=1; grep -E "ERROR|SUMMARY|deadly" "$log" | head -5 >&2 || true; fi
  echo "fuzz|$reader|libFuzzer|${inputs:-0}|$findings"
}

# reader, corpus, dictionary
wine_run() {
  local reader=$1 corpus=$2 dict=$3 log=$work/wine-$1.log status=0
  nice -n 15 "$here/wine-run.sh" "$build/bin/wine_fuzz.exe" "$reader" "$wine_runs" "$seed" \
      "$fuzz/corpus/$corpus" "$fuzz/$dict" "$(winepath_of "$work/wine-$reader")" >"$log" 2>&1 || status=$?
  local inputs findings
  inputs=$(sed -n 's/^inputs \([0-9]*\) findings \([0-9]*\).*/\1/p' "$log" | tail -1)
  findings=$(sed -n 's/^inputs \([0-9]*\) findings \([0-9]*\).*/\2/p' "$log" | tail -1)
  if [ $status -ne 0 ] || [ "${findings:-1}" != 0 ]; then
    failed=1
    grep finding "$log" >&2 || true
    cp "$work/wine-$reader/finding.bin" "$work/findings/wine-$reader-seed$seed.bin" 2>/dev/null || true
  fi
  echo "fuzz|$reader|wine_fuzz|${inputs:-0}|${findings:-1}"
}

winepath_of() { echo "Z:$(echo "$1" | tr / '\\\\')"; }

fuzz_reader() {
  local engine=$1
  shift
  if [ "$engine" = libFuzzer ]; then native_run "$@"; else wine_run "$@"; fi
}
each_reader fuzz_reader
echo "fuzz seed $seed"
exit $failed
