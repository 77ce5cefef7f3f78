#!/usr/bin/env bash
# The release command's packing step on this build: the three files, their
# checksums, the zip's contents and its programs running from the unpacked
# folder under Wine, and the same zip bytes when packed twice.
#
#   release-test.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
out=$build/testdata/release
version=$(sed -n 's/^project(Tovaren VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

# An installer of an older version still beside the build's own is not
# what this build releases.
stale=$build/installer/tovaren-setup-0.9.0.0.exe
trap 'rm -f "$stale"' EXIT
echo "an older installer" > "$stale"

rm -rf "$out"
"$top/scripts/release.sh" "$build" "$out" >/dev/null
setup=tovaren-setup-$version.exe
zip=tovaren-$version-portable.zip
check "the output holds the installer, the zip and SHA256SUMS, and nothing else" \
  test "$(cd "$out" && ls | LC_ALL=C sort | tr '\n' ' ')" = "$(printf '%s\n' SHA256SUMS "$setup" "$zip" | LC_ALL=C sort | tr '\n' ' ')"
check "SHA256SUMS names both files and matches them" \
  bash -c "cd '$out' && [ \$(wc -l < SHA256SUMS) = 2 ] && sha256sum --quiet -c SHA256SUMS"
check "the installer is the one the build made" cmp -s "$out/$setup" "$build/installer/$setup"

unpacked=$build/testdata/release-unpacked
rm -rf "$unpacked"
mkdir -p "$unpacked"
unzip -q "$out/$zip" -d "$unpacked"
folder=$unpacked/Tovaren-$version
while read -r program; do
  check "the zip holds $program as built" cmp -s "$folder/$program" "$build/bin/$program"
done < "$build/installer/programs.txt"
for show in "$top"/shows/*.sho; do
  check "the zip holds the show $(basename "$show")" cmp -s "$folder/shows/$(basename "$show")" "$show"
done
check "the zip holds the help as the build made it" \
  cmp -s "$folder/help/html/TovarenHelp.html" "$build/help/html/TovarenHelp.html"
check "the zip's help names this version" grep -q "version $version<" "$folder/help/html/TovarenHelp.html"
check "the zip's help holds its pictures" test -f "$folder/help/html/images/title.png"
check "the zip's README has CR LF line ends" grep -q $'^Tovaren '"$version"$'\r$' "$folder/README.txt"
check "the zip holds no test programs or benchmarks" bash -c "! ls '$folder' | grep -q -e _tests -e '^bench_'"

# A program from the unpacked folder, started as a user would, prints its usage.
usage=$(cd "$folder" && TOVAREN_PREFIX=$build/wineprefix "$top/scripts/wine-run.sh" paceshift.exe 2>&1 || true)
check "paceshift.exe from the zip runs and prints its usage" \
  grep -q 'paceshift <filename> options' <<< "$usage"

first=$(sha256sum < "$out/$zip")
sleep 1
"$top/scripts/release.sh" "$build" "$out" >/dev/null
check "packing again gives the same zip" test "$first" = "$(sha256sum < "$out/$zip")"

rm -rf "$unpacked"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
