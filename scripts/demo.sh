#!/usr/bin/env bash
# The main job: installs Tovaren into the build's Wine prefix and runs the
# screen saver full screen over the bundled shows.
#
#   scripts/demo.sh [build folder] [seconds]     (make demo BUILD=... calls it)
#
# With a reachable X display the saver runs inside a Wine virtual desktop of
# 1024 x 768, so the real screen mode is never changed; move the mouse over it
# or press a key there to end it (P pauses, N skips to the next show).
# Without a display it runs in a private Xvfb server for a fixed time (40 s,
# or the second argument), takes a picture every second and assembles them
# into an animated GIF in <build>/demo/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")

if [ "${1:-}" = --headless ]; then mode=headless; shift; else mode=auto; fi
build=$(cd "${1:-build}" && pwd)
seconds=${2:-40}
saver_built=$build/bin/tovarensaver.scr
demo=$build/demo
if [ ! -f "$saver_built" ]; then
  echo "demo: $saver_built is missing; build first (make demo BUILD=... builds it)" >&2
  exit 1
fi

export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

display_reachable() {
  [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1
}

# Without a display, start over inside a private X server of the demo's size.
if [ "$mode" = auto ] && ! display_reachable; then
  echo "demo: no X display; running the saver in Xvfb for $seconds s"
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --headless "$build" "$seconds"
fi

"$here/wine-prefix.sh" "$WINEPREFIX"
product_key="Software\\Vorlund\\Tovaren\\$(cat "$build/version.txt")"
key="HKCU\\$product_key"

# Install as a user would find it: the programs and the help in the install
# folder (recorded as "TIL" for the help key F1), the shows in the common
# documents folder + "\Tovaren", where the saver looks when no show folder
# is set. Wine reports that folder itself; ask it instead of guessing.
install_win='C:\Program Files\Tovaren'
install=$(winepath -u "$install_win" 2>/dev/null | tr -d '\r')
mkdir -p "$install"
cp "$build"/bin/*.scr "$install/"
cp "$build"/bin/*.exe "$install/" 2>/dev/null || true
rm -f "$install"/*_tests.exe "$install"/bench_*.exe
rm -rf "$install/help" && cp -r "$build/help" "$install/help"
wine reg add "HKLM\\$product_key" /v TIL /d "$install_win" /f >/dev/null 2>&1

docs_win=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
             /v 'Common Documents' 2>/dev/null | tr -d '\r' |
           sed -n 's/^ *Common Documents *REG_SZ *//p')
docs_win=${docs_win:-'C:\users\Public\Documents'}
shows=$(winepath -u "$docs_win\\Tovaren" 2>/dev/null | tr -d '\r')
mkdir -p "$shows"
cp "$top"/shows/*.sho "$shows/"
echo "demo: shows in $shows ($docs_win\\Tovaren)"

# A short pause between shows, and the priority show unseen again, so that
# every run of the demo opens with the meadow and soon moves on.
wine reg add "$key" /v TPS /d 4 /f >/dev/null 2>&1
wine reg delete "$key\\PriorityFilesViewed" /f >/dev/null 2>&1 || true
saver_win="$install_win\\tovarensaver.scr"

# A plain stand-in for a user's desktop: a wallpaper, icons, a taskbar and a
# window with some text.
make_desktop_picture() {
  convert -size 1024x768 gradient:'#3a6ea5-#1d3f66' \
    -fill '#c0c0c0' -draw 'rectangle 0,738 1023,767' \
    -fill '#ffffff' -draw 'line 0,739 1023,739' \
    -stroke '#ffffff' -draw 'rectangle 3,742 60,764' -stroke none \
    -fill black -pointsize 13 -draw "text 14,758 'Start'" \
    -fill '#dfe8f2' -draw 'roundrectangle 24,20 64,60 4,4' \
    -draw 'roundrectangle 24,100 64,140 4,4' -draw 'roundrectangle 24,180 64,220 4,4' \
    -fill white -pointsize 12 -draw "text 14,76 'My Files'" \
    -draw "text 20,156 'Shows'" -draw "text 16,236 'Recycle'" \
    -fill '#c0c0c0' -draw 'rectangle 380,160 860,520' \
    -fill '#000080' -draw 'rectangle 383,163 857,182' \
    -fill white -pointsize 13 -draw "text 390,177 'letter.txt - Notepad'" \
    -fill white -draw 'rectangle 386,204 854,516' \
    -fill black -pointsize 14 -draw "text 396,228 'Dear Marta,'" \
    -draw "text 396,252 'the shows from the workshop are on the shared drive.'" \
    "$1"
}

if [ "$mode" = auto ]; then
  echo "demo: running the saver in a Wine virtual desktop on $DISPLAY"
  echo "      move the mouse over it or press a key there to end it; P pauses, N skips, F1 opens the help"
  wine explorer /desktop=Tovaren,1024x768 "$saver_win" /s || true
  exit 0
fi

# Headless: an empty X server has a black screen, so first give it a desktop
# for the saver to capture and paint over (on Windows it is the user's own).
# Then run the saver, take a picture every second and end it the way a user
# would: move the mouse.
rm -rf "$demo/frames" && mkdir -p "$demo/frames"
make_desktop_picture "$demo/desktop.png"
display -window root "$demo/desktop.png" 2>/dev/null || true   # sets the root picture, then exits 1
wine "$saver_win" /s &
saver_pid=$!
for ((i = 0; i < seconds; i++)); do
  sleep 1
  import -window root "$demo/frames/$(printf 'frame%03d' "$i").png" 2>/dev/null || true
  kill -0 "$saver_pid" 2>/dev/null || { echo "demo: the saver ended early"; break; }
done
xdotool mousemove 300 300 sleep 0.3 mousemove 500 400 >/dev/null 2>&1 || true
for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$saver_pid" 2>/dev/null || break; sleep 1; done
if kill -0 "$saver_pid" 2>/dev/null; then
  echo "demo: the saver did not end on mouse movement; stopping it"
  kill "$saver_pid" 2>/dev/null || true
fi
wait "$saver_pid" 2>/dev/null || true
wineserver -k 2>/dev/null || true   # Wine's desktop process belongs to this X server

frames=("$demo"/frames/frame*.png)
if [ ! -e "${frames[0]}" ]; then
  echo "demo: no pictures were taken" >&2
  exit 1
fi
cp "${frames[-1]}" "$demo/last-frame.png"
convert -delay 50 -loop 0 "${frames[@]}" -resize 512x384 -layers Optimize "$demo/tovaren-demo.gif"
echo "demo: ${#frames[@]} pictures in $demo/frames, one every second"
echo "demo: animation $demo/tovaren-demo.gif (two pictures a second), last picture $demo/last-frame.png"
