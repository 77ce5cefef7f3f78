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
set -euo pipefail
table_only=0
if [ "${1:-}" = --table ]; then table_only=1; shift; fi
build=${1:-build}
case $build in /*) ;; *) build=$PWD/$build ;; esac
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
if [ $table_only = 0 ]; then
  mkdir -p "$build"
  make -C "$top" build BUILD="$build" >"$build/reliability-build.log" 2>&1 ||
    { echo "the build failed: see $build/reliability-build.log"; exit 1; }
fi
results=$build/reliability

print_table() {
findings=0
printf '%-34s %-12s %12s %10s %9s\n' "check" "engine" "inputs" "survived" "findings"
while IFS='|' read -r _ reader engine inputs found; do
  printf '%-34s %-12s %12s %10s %9s\n' "fuzz: $reader" "$engine" "$inputs" "-" "$found"
  findings=$((findings + found))
done < <(grep '^fuzz|' "$results/fuzz.txt" 2>/dev/null || true)
# One soak's row: its last line holds the count and the growth of memory (KB)
# and of GDI objects; more than the slack is a finding.
soak_row() {
  local label=$1 unit=$2 file=$3 pattern=$4 slack=$5 line count growth gdi found
  line=$(tr -d '\r' < "$file" 2>/dev/null | sed -n "s/^$pattern \([0-9]*\) memory-growth \([0-9]*\) KB gdi-growth \(-\?[0-9]*\)\$/\1 \2 \3/p")
  if [ -n "$line" ]; then
    read -r count growth gdi <<< "$line"
    found=$(( growth <= slack && gdi <= 0 ? 0 : 1 ))
    printf '%-34s %-12s %12s %10s %9s\n' "$label" "$unit" "$count" "+${growth}KB/+${gdi}gdi" "$found"
  else
    found=1
    printf '%-34s %-12s %12s %10s %9s\n' "$label" "$unit" "0" "-" "$found"
  fi
  findings=$((findings + found))
}
soak_row "soak: saver, speed 100" shows "$results/soak.txt" "soak shows" 4096
soak_row "soak: editor, record and undo" points "$results/editor-soak.txt" "soak editor points" 256
while read -r _ name _ runs _ survived; do
  printf '%-34s %-12s %12s %10s %9s\n' "fault: $name" "runs" "$runs" "$survived" "$((runs - survived))"
  findings=$((findings + runs - survived))
done < <(tr -d '\r' < "$results/faults.txt" 2>/dev/null | grep '^fault ' || true)
tr -d '\r' < "$results/faults.txt" 2>/dev/null | grep '^note: ' || true
grep -q '^fault fulldisk' "$results/faults.txt" 2>/dev/null ||
  echo "(no full-disk runs: they need root to mount a small file system)"
echo "findings: $findings   (details in $results)"
[ "$findings" = 0 ]
}

if [ $table_only = 1 ]; then
  print_table
  exit
fi

"$here/wine-prefix.sh" "$build/wineprefix"
export TOVAREN_PREFIX=$build/wineprefix
rm -rf "$results"
mkdir -p "$results"

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

xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  set -u
  here=$1 build=$2 results=$3 fulldisk=$4 vanish=$5 have_fulldisk=$6
  run() { nice -n 15 "$here/wine-run.sh" "$build/bin/$@"; }
  "$here/wine-run.sh" wineboot </dev/null >/dev/null 2>&1 || true
  nice -n 15 "$here/fuzz.sh" --long "$build" > "$results/fuzz.txt" 2> "$results/fuzz.err" || true
  run saver_soak.exe "${SOAK_SHOWS:-1000}" "C:\\tovaren-soak" > "$results/soak.txt" 2>&1 || true
  run editor_soak.exe "${EDITOR_SOAK_POINTS:-100000}" > "$results/editor-soak.txt" 2>&1 || true
  run fault_runs.exe kill "${KILL_RUNS:-100}" > "$results/faults.txt" 2>> "$results/faults.err" || true
  if [ "$have_fulldisk" = 1 ]; then
    run fault_runs.exe fulldisk "$fulldisk" >> "$results/faults.txt" 2>> "$results/faults.err" || true
  fi
  run fault_runs.exe registry >> "$results/faults.txt" 2>> "$results/faults.err" || true
  run fault_runs.exe vanish "V:" "$vanish" >> "$results/faults.txt" 2>> "$results/faults.err" || true
  run fault_runs.exe badinput >> "$results/faults.txt" 2>> "$results/faults.err" || true
  WINEPREFIX=$TOVAREN_PREFIX wineserver -k 2>/dev/null || true
' reliability "$here" "$build" "$results" "$(winepath "$fulldisk")" "$(winepath "$vanish")" "$have_fulldisk"

print_table
