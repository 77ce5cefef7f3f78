#!/usr/bin/env bash
# Runs every reliability check: the long fuzz runs, the saver and editor soaks, the fault
# runs (programs killed while saving, full disks, a show drive that goes
# away, an unwritable product key) and bad command lines and files. Prints a
# table: inputs tried, faults survived, findings. Ends non-zero on a finding.
#
#   scripts/reliability.sh [build folder]
#   scripts/reliability.sh --table [build folder]   the table of the last run again
#
# Long: about half an hour on two shared cores; everything runs under nice.
# FUZZ_RUNS, WINE_RUNS (scripts/fuzz.sh), SOAK_SHOWS, EDITOR_SOAK_POINTS and
# KILL_RUNS set the sizes.
#
# The table counts only what it saw: a run that ended with a non-zero status
# without a finding row of its own, and a row that a run never printed (it
# died first, or never started), are findings too.
#
# RELIABILITY_RUNNER=<command> runs each step through that command instead of
# the real programs, without building or Wine, so that the counting can be
# checked in seconds (tests/reliability/): it gets the step's name and the
# command line it stands in for, and its output and status stand for the step's.
set -euo pipefail
table_only=0
steps_only=0
if [ "${1:-}" = --table ]; then table_only=1; shift; fi
if [ "${1:-}" = --steps ]; then steps_only=1; shift; fi
build=${1:-build}
case $build in /*) ;; *) build=$PWD/$build ;; esac
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
results=$build/reliability
runner=${RELIABILITY_RUNNER:-}

# Every step, in order, and the file its rows go to in $results. The full-disk
# runs need root; without it their step is recorded as skipped.
steps=(fuzz saver-soak editor-soak faults-kill faults-fulldisk faults-registry faults-vanish faults-badinput)
declare -A output=(
  [fuzz]=fuzz.txt [saver-soak]=soak.txt [editor-soak]=editor-soak.txt
  [faults-kill]=faults-kill.txt [faults-fulldisk]=faults-fulldisk.txt [faults-registry]=faults-registry.txt
  [faults-vanish]=faults-vanish.txt [faults-badinput]=faults-badinput.txt)

# How each step ended: "<step> <exit status>" or "<step> skipped", one line a
# step in $results/status.txt. A step without a line never ran.
step_status() {
  sed -n "s/^$1 \\(.*\\)\$/\\1/p" "$results/status.txt" 2>/dev/null | tail -n 1
}

findings=0
row() {  # check, engine, inputs, survived, findings
  printf '%-34s %-12s %12s %10s %9s\n' "$@"
  findings=$((findings + $5))
}
# A step's own row for how it ended, when its rows did not already say it:
# a step that never ran, or ended non-zero although its rows found nothing.
status_row() {
  local step=$1 label=$2 found_in_rows=$3 status
  [ "$found_in_rows" = 0 ] || return 0
  status=$(step_status "$step")
  if [ -z "$status" ]; then
    row "$label" "did not run" "-" "-" 1
  elif [ "$status" != 0 ] && [ "$status" != skipped ]; then
    row "$label" "exit $status" "-" "-" 1
  fi
}

fuzz_rows() {
  local file=$results/${output[fuzz]} reader engine line inputs found seen=0
  while IFS='|' read -r _ reader engine; do
    line=$(grep -F -m 1 -e "fuzz|$reader|$engine|" "$file" 2>/dev/null || true)
    if [ -n "$line" ]; then
      IFS='|' read -r _ _ _ inputs found <<< "$line"
      [[ $found =~ ^[0-9]+$ ]] || found=1  # a garbled row
      row "fuzz: $reader" "$engine" "$inputs" "-" "$found"
      seen=$((seen + found))
    else
      row "fuzz: $reader" "$engine" "missing" "-" 1
      seen=$((seen + 1))
    fi
  done < <("$here/fuzz.sh" --list)
  status_row fuzz "fuzz: the run" "$seen"
}

# One soak's row: its last line holds the count and the growth of memory (KB)
# and of GDI objects; more than the slack is a finding.
soak_row() {
  local step=$1 label=$2 unit=$3 pattern=$4 slack=$5 line count growth gdi found
  line=$(tr -d '\r' 2>/dev/null < "$results/${output[$step]}" |
         sed -n "s/^$pattern \([0-9]*\) memory-growth \([0-9]*\) KB gdi-growth \(-\?[0-9]*\)\$/\1 \2 \3/p" || true)
  if [ -n "$line" ]; then
    read -r count growth gdi <<< "$line"
    found=$(( growth <= slack && gdi <= 0 ? 0 : 1 ))
    row "$label" "$unit" "$count" "+${growth}KB/+${gdi}gdi" "$found"
  else
    found=1
    if [ -z "$(step_status "$step")" ]; then unit="did not run"; fi
    row "$label" "$unit" "missing" "-" "$found"
  fi
  status_row "$step" "$label" "$found"
}

# A fault step prints one row "fault <name> runs N survived M" a fault it
# meets; a step that printed none died before its first.
fault_rows() {
  local step=$1 file=$results/${output[$1]} name runs survived seen=0 rows=0
  [ "$(step_status "$step")" = skipped ] && return
  while read -r _ name _ runs _ survived; do
    [[ $runs =~ ^[0-9]+$ && $survived =~ ^[0-9]+$ ]] || { runs=1 survived=0; }  # a garbled row
    row "fault: $name" "runs" "$runs" "$survived" "$((runs - survived))"
    seen=$((seen + runs - survived))
    rows=$((rows + 1))
  done < <(tr -d '\r' 2>/dev/null < "$file" | grep '^fault ' || true)
  if [ "$rows" = 0 ] && [ -n "$(step_status "$step")" ]; then
    row "fault: ${step#faults-}" "runs" "missing" "-" 1
    seen=1
  fi
  status_row "$step" "fault: ${step#faults-}" "$seen"
}

print_table() {
  findings=0
  printf '%-34s %-12s %12s %10s %9s\n' "check" "engine" "inputs" "survived" "findings"
  fuzz_rows
  soak_row saver-soak "soak: saver, speed 100" shows "soak shows" 4096
  soak_row editor-soak "soak: editor, record and undo" points "soak editor points" 256
  local step
  for step in "${steps[@]}"; do
    case $step in faults-*) fault_rows "$step" ;; esac
  done
  cat "$results"/faults-*.txt 2>/dev/null | tr -d '\r' | grep '^note: ' || true
  [ "$(step_status faults-fulldisk)" = skipped ] &&
    echo "(no full-disk runs: they need root to mount a small file system)"
  echo "findings: $findings   (details in $results)"
  [ "$findings" = 0 ]
}

# Runs one step with its rows going to its file and records how it ended.
run_step() {
  local step=$1 status=0
  shift
  if [ -n "$runner" ]; then
    $runner "$step" "$@" > "$results/${output[$step]}" 2>> "$results/$step.err" || status=$?
  else
    "$@" > "$results/${output[$step]}" 2>> "$results/$step.err" || status=$?
  fi
  echo "$step $status" >> "$results/status.txt"
}

# Every step, inside the X server that the Wine runs need.
run_steps() {
  local fulldisk=$1 vanish=$2 have_fulldisk=$3
  local wine=(nice -n 15 "$here/wine-run.sh") bin=$build/bin
  [ -n "$runner" ] || "$here/wine-run.sh" wineboot </dev/null >/dev/null 2>&1 || true
  run_step fuzz nice -n 15 "$here/fuzz.sh" --long "$build"
  run_step saver-soak "${wine[@]}" "$bin/saver_soak.exe" "${SOAK_SHOWS:-1000}" "C:\\tovaren-soak"
  run_step editor-soak "${wine[@]}" "$bin/editor_soak.exe" "${EDITOR_SOAK_POINTS:-100000}"
  run_step faults-kill "${wine[@]}" "$bin/fault_runs.exe" kill "${KILL_RUNS:-100}"
  if [ "$have_fulldisk" = 1 ]; then
    run_step faults-fulldisk "${wine[@]}" "$bin/fault_runs.exe" fulldisk "$fulldisk"
  else
    echo "faults-fulldisk skipped" >> "$results/status.txt"
  fi
  run_step faults-registry "${wine[@]}" "$bin/fault_runs.exe" registry
  run_step faults-vanish "${wine[@]}" "$bin/fault_runs.exe" vanish "V:" "$vanish"
  run_step faults-badinput "${wine[@]}" "$bin/fault_runs.exe" badinput
  [ -n "$runner" ] || WINEPREFIX=$TOVAREN_PREFIX wineserver -k 2>/dev/null || true
}

if [ $table_only = 1 ]; then
  print_table
  exit
fi
if [ $steps_only = 1 ]; then
  run_steps "$2" "$3" "$4"
  exit
fi

rm -rf "$results"
mkdir -p "$results"
if [ -n "$runner" ]; then
  run_steps "" "" 0
  print_table
  exit
fi

make -C "$top" build BUILD="$build" >"$build/reliability-build.log" 2>&1 ||
  { echo "the build failed: see $build/reliability-build.log"; exit 1; }
"$here/wine-prefix.sh" "$build/wineprefix"
export TOVAREN_PREFIX=$build/wineprefix

# A 512 KB file system of its own for the full-disk runs (as root), and a
# Wine drive letter for the show folder that goes away.
fulldisk=/tmp/tovaren-reliability-disk.$$
vanish=/tmp/tovaren-reliability-drive.$$
drive=$TOVAREN_PREFIX/dosdevices/v:
cleanup() {
  if mountpoint -q "$fulldisk" 2>/dev/null; then umount "$fulldisk" || true; fi
  rmdir "$fulldisk" 2>/dev/null || true
  rm -rf "$vanish"
  rm -f "$drive"
}
trap cleanup EXIT
have_fulldisk=0
if [ "$(id -u)" = 0 ] && mkdir -p "$fulldisk" &&
   mount -t tmpfs -o size=512k,mode=1777 tovaren-reliability "$fulldisk" 2>/dev/null; then
  have_fulldisk=1
fi
mkdir -p "$vanish"
ln -sfn "$vanish" "$drive"
winepath() { echo "Z:$(echo "$1" | tr / '\\\\')"; }

xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --steps "$build" \
  "$(winepath "$fulldisk")" "$(winepath "$vanish")" "$have_fulldisk" || true

print_table
