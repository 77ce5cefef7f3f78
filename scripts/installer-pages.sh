#!/usr/bin/env bash
# Walks through every page of the installer and the uninstaller as a user
# would, in a private Xvfb and a fresh Wine prefix, and takes a picture of
# each page, so that the pages can be looked at after a change:
#
#   scripts/installer-pages.sh <build folder> [picture folder]
#
# The pictures (PNG, 1024 x 768) go to <build>/installer-pages/ unless a
# folder is given. The keys are those a user presses: Enter for Next, Install,
# Finish and Uninstall.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: installer-pages.sh <build folder> [picture folder]}" && pwd)
pictures=${2:-$build/installer-pages}
setup=$build/installer/tovaren-setup-$(cat "$build/version.txt").exe
[ -f "$setup" ] || { echo "installer-pages: $setup is missing; build the target 'installer' first" >&2; exit 1; }

if [ -z "${TOVAREN_PAGES_INSIDE:-}" ]; then
  mkdir -p "$pictures"
  export TOVAREN_PAGES_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$build" "$(cd "$pictures" && pwd)"
fi

export WINEPREFIX=$build/installer-pages-prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
"$here/wine-prefix.sh" "$WINEPREFIX"
wine wineboot </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT

# Waits for a window whose title holds the text and gives it the keyboard.
focus() {
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1) && [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { echo "installer-pages: no window '$1'" >&2; exit 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
}
shot() {  # name
  sleep 1.5
  import -window root "$pictures/$1.png"
  echo "installer-pages: $pictures/$1.png"
}
press() { xdotool key --clearmodifiers "$1"; }

screen_saver() {
  wine reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE 2>/dev/null | tr -d '\r' |
    sed -n 's/.*SCRNSAVE.EXE *REG_SZ *//p'
}

wine "$setup" </dev/null >/dev/null 2>&1 &
focus "Tovaren Setup"; shot 1-welcome;   press Return
focus "Tovaren Setup"; shot 2-folder;    press Return
focus "Tovaren Setup"; shot 3-installed; press Return
focus "Tovaren Setup"; shot 4-finish;    press Return
wait
wineserver -w
echo "installer-pages: after Finish, SCRNSAVE.EXE is '$(screen_saver)'"

wine 'C:\Program Files\Tovaren\uninstall.exe' </dev/null >/dev/null 2>&1 &
focus "Tovaren Uninstall"; shot 5-uninstall-confirm; press Return
focus "Tovaren Uninstall"; shot 6-uninstalled;       press Return
focus "Tovaren Uninstall"; shot 7-uninstall-finish;  press Return
wineserver -w
echo "installer-pages: after the uninstaller, SCRNSAVE.EXE is '$(screen_saver)'"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
