#!/usr/bin/env bash
# A headless X server with two monitors side by side (Xorg's dummy driver,
# one screen with two RandR outputs), for the saver's tests and benchmarks.
#
#   two-monitors.sh start <folder> [RightOf|LeftOf|Above|Below|SmallRightOf|Off]
#       starts the server, the second monitor placed as told (RightOf when
#       not given) of the main one, an 800 x 600 one right of it
#       (SmallRightOf), or switched off (the same server with one monitor,
#       for comparisons); prints the display (":75") and keeps the
#       configuration, the log and the process id in <folder>
#   two-monitors.sh stop <folder>
#       stops the server started with that folder
#
# Needs root (Xorg) and the packages xserver-xorg-core,
# xserver-xorg-video-dummy and x11-xserver-utils.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=$1
folder=$2

stop_server() {
  [ -f "$folder/xorg.pid" ] || return 0
  local pid
  pid=$(cat "$folder/xorg.pid")
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$folder/xorg.pid"
}

if [ "$action" = stop ]; then
  stop_server
  exit 0
fi

place=${3:-RightOf}
mkdir -p "$folder"
stop_server
side=$place
[ "$place" = SmallRightOf ] && side=RightOf
sed "s/Option \"RightOf\" \"Mon0\"/Option \"$side\" \"Mon0\"/" \
  "$here/../tests/saver/xorg/two-monitors.conf" >"$folder/xorg.conf"
case $place in
  Above|Below) sed -i 's/Virtual 2048 768/Virtual 1024 1536/' "$folder/xorg.conf" ;;
  SmallRightOf)
    # Only the second Monitor section (after "Mon1") gets the smaller mode.
    sed -i -e '/Identifier "Mon1"/,/EndSection/{s/Modeline "1024x768".*/Modeline "800x600" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync/;s/"PreferredMode" "1024x768"/"PreferredMode" "800x600"/}' \
           -e 's/Virtual 2048 768/Virtual 1824 768/' "$folder/xorg.conf" ;;
  Off) sed -i -e 's/Option "Enable" "true"/Option "Enable" "false"/' \
              -e 's/Virtual 2048 768/Virtual 1024 768/' "$folder/xorg.conf" ;;
esac

# The first display number from 75 up whose lock file and socket are free.
for n in $(seq 75 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xorg ":$n" -config "$folder/xorg.conf" -logfile "$folder/xorg.log" \
    -noreset +extension RANDR -nolisten tcp >/dev/null 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 100); do
    if DISPLAY=":$n" xrandr --listmonitors >/dev/null 2>&1; then
      echo "$pid" >"$folder/xorg.pid"
      echo ":$n"
      exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
done
echo "two-monitors.sh: no X server started (see $folder/xorg.log)" >&2
exit 1
