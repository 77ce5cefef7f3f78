#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Safe to run again:
# it only calls apt when a package is missing.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686-posix mingw-w64-tools googletest clang libclang-rt-14-dev
          wine wine32:i386 xvfb xauth imagemagick xdotool potrace librsvg2-bin
          nsis zip xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils gifsicle bc)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
