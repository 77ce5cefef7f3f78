#!/usr/bin/env bash
# Packs a built Tovaren for release (make release calls it through CMake):
#
#   scripts/release.sh <build folder> <output folder>
#
# writes into the output folder
#   tovaren-setup-<version>.exe       the installer the build made
#   tovaren-<version>-portable.zip    the programs, the shows, the help and
#                                     the user README in one folder
#                                     Tovaren-<version>/, for copying by hand
#   SHA256SUMS                        the checksums of both, for sha256sum -c
# The zip is the same bytes for the same input: fixed times, sorted names.
set -euo pipefail
build=$(cd "${1:?usage: release.sh <build folder> <output folder>}" && pwd)
out=${2:?usage: release.sh <build folder> <output folder>}
top=$(cd "$(dirname "$0")/.." && pwd)

# The version this build was made with (an older installer may still lie
# beside its own).
version=$(cat "$build/version.txt" 2>/dev/null || true)
if [ -z "$version" ]; then
  echo "release: $build/version.txt is missing; configure the build first" >&2
  exit 1
fi
setup=$build/installer/tovaren-setup-$version.exe
if [ ! -f "$setup" ]; then
  echo "release: $setup is missing; build the target 'installer' first" >&2
  exit 1
fi
zip_name=tovaren-$version-portable.zip
folder=Tovaren-$version

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/$folder
mkdir -p "$stage/shows"
while read -r program; do
  [ -n "$program" ] || continue
  cp "$build/bin/$program" "$stage/"
done < "$build/installer/programs.txt"
cp "$top"/shows/*.sho "$stage/shows/"
cp -r "$build/help" "$stage/help"
cp "$build/installer/README.txt" "$stage/README.txt"
find "$stage" -exec touch -h -d '2000-01-01 00:00:00 UTC' {} +

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/$zip_name" "$out/SHA256SUMS" "$out"/tovaren-setup-*.exe
(cd "$work" && find "$folder" | LC_ALL=C sort | TZ=UTC zip -X -q -9 "$out/$zip_name" -@)
cp "$setup" "$out/"
(cd "$out" && sha256sum "$(basename "$setup")" "$zip_name" > SHA256SUMS)
echo "release: $out"
ls -l "$out"
