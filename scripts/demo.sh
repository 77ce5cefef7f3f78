#!/usr/bin/env bash
# The main job until the screen saver exists: retime a small show with paceshift.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
export TOVAREN_PREFIX=$(cd "$build" && pwd)/wineprefix
demo=$(cd "$build" && pwd)/demo
mkdir -p "$demo"
# A square painted in four strokes, one every 100 to 400 ms.
printf '\xff\xff\x02\x00\x00\x04\x00\x03\x00\x00\x00\x00' > "$demo/square.sho"
head -c 164 /dev/zero >> "$demo/square.sho"
for p in '\x64\x00\x64\x00\x00\x00' '\xc8\x00\x64\x00\x64\x00' '\xc8\x00\xc8\x00\xc8\x00' \
         '\x64\x00\xc8\x00\x2c\x01' '\x64\x00\x64\x00\x90\x01'; do
  printf "$p"'\x00\x00\xff\x00\x00\x00\x04\x01\x00\x00' >> "$demo/square.sho"
done
"$here/wine-run.sh" "$build/bin/paceshift.exe" "$demo/square.sho" -info
"$here/wine-run.sh" "$build/bin/paceshift.exe" "$demo/square.sho"
ls -l "$demo"
