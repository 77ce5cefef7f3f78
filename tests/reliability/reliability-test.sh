#!/usr/bin/env bash
# scripts/reliability.sh counts what it did not see: steps played by a fake
# runner (RELIABILITY_RUNNER) that print their rows, die before printing,
# end non-zero, or report a finding of their own. Seconds, no Wine.
#
#   reliability-test.sh <scratch folder>
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
scratch=${1:?usage: reliability-test.sh <scratch folder>}
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

# A fake runner: each step prints clean rows and ends with 0, unless the
# scenario file names the step with what it does instead:
#   <step> silent <status>       prints nothing, ends with status
#   <step> rows <status>         prints its clean rows, ends with status
#   fuzz drop <reader>           leaves out that reader's row
#   fuzz finding <reader>        that reader's row has a finding; ends with 1
make_runner() {
  local scenario=$1
  cat > "$scratch/runner.sh" <<RUNNER
#!/usr/bin/env bash
step=\$1
how=\$(sed -n "s/^\$step //p" "$scenario" | head -n 1)
set -- \$how
if [ "\${1:-}" = silent ]; then exit "\$2"; fi
case \$step in
  fuzz)
    "$top/scripts/fuzz.sh" --list | while IFS= read -r line; do
      reader=\$(echo "\$line" | cut -d'|' -f2)
      if [ "\${1:-}" = drop ] && [ "\$reader" = "\$2" ]; then continue; fi
      if [ "\${1:-}" = finding ] && [ "\$reader" = "\$2" ]; then echo "\$line|5000|1"; else echo "\$line|5000|0"; fi
    done
    [ "\${1:-}" = finding ] && exit 1 ;;
  saver-soak) echo "soak shows 1000 memory-growth 12 KB gdi-growth 0" ;;
  editor-soak) echo "soak editor points 100000 memory-growth 3 KB gdi-growth 0" ;;
  faults-*) echo "fault \${step#faults-}-one runs 4 survived 4"; echo "fault \${step#faults-}-two runs 2 survived 2" ;;
esac
[ "\${1:-}" = rows ] && exit "\$2"
exit 0
RUNNER
  chmod +x "$scratch/runner.sh"
}

# Runs the script with the fake runner on this scenario; sets table and status.
table= status=
run_scenario() {
  printf '%s\n' "$@" > "$scratch/scenario.txt"
  make_runner "$scratch/scenario.txt"
  status=0
  table=$(RELIABILITY_RUNNER="$scratch/runner.sh" "$top/scripts/reliability.sh" "$scratch/build" 2>&1) || status=$?
}
has() { grep -q -E -e "$1" <<< "$table"; }
says() { if has "$2"; then echo "ok: $1"; else fail "$1"; echo "$table"; fi; }

run_scenario ""
says "every step seen and clean: no findings" '^findings: 0 '
check "every step seen and clean: the script ends with 0" test "$status" = 0
says "the fuzz rows are all in the table" 'fuzz: list name +libFuzzer +5000 '
says "the fault rows are all in the table" 'fault: badinput-two +runs +2 +2 +0$'

run_scenario "fuzz drop bitmap" "saver-soak silent 134" "faults-kill rows 1" "faults-registry silent 0"
says "a fuzz row that was never printed is a finding" 'fuzz: bitmap +libFuzzer +missing .* 1$'
says "so is the other engine's row of that reader" 'fuzz: bitmap +wine_fuzz +missing .* 1$'
says "a soak that died before its row is one finding" 'soak: saver, speed 100 +shows +missing .* 1$'
check "a soak that died is not counted twice" test "$(grep -c '^soak: saver' <<< "$table")" = 1
says "a fault step that ended non-zero without a failed row is a finding" 'fault: kill +exit 1 .* 1$'
says "a fault step that printed no row is a finding" 'fault: registry +runs +missing .* 1$'
says "all five are counted" '^findings: 5 '
check "the script ends non-zero on them" test "$status" != 0

run_scenario "fuzz finding shortcut"
says "a fuzzer's own finding is counted once with its non-zero end" '^findings: 2 '
check "both fuzzers of the shortcut reader report it" \
  test "$(grep -c -E '^fuzz: shortcut .* 1$' <<< "$table")" = 2
check "a fuzz run that ended non-zero after its findings gets no row of its own" bash -c "! grep -q 'fuzz: the run' <<< \"\$1\"" _ "$table"

# The table again for a run cut short after the saver soak: the steps after
# it left neither an end nor a file.
run_scenario ""
results=$scratch/build/reliability
head -n 2 "$results/status.txt" > "$scratch/status" && mv "$scratch/status" "$results/status.txt"
rm -f "$results/editor-soak.txt" "$results"/faults-*
status=0
table=$("$top/scripts/reliability.sh" --table "$scratch/build" 2>&1) || status=$?
says "a soak that never ran is a finding" 'soak: editor, record and undo +did not run +missing .* 1$'
says "a fault step that never ran is a finding" 'fault: vanish +did not run .* 1$'
says "each step that never ran is counted once" '^findings: 6 '
check "the table of a cut-short run ends non-zero" test "$status" != 0

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
