#!/usr/bin/env bash
# Makes the test pictures of the bitmap scanners with ImageMagick into $1.
set -euo pipefail
out=$1
mkdir -p "$out"
bmp() { convert "$@" -type TrueColor "BMP3:$out/$name.bmp"; }

# Runs: a white top-left pixel, a red run reaching the end of the scanned
# row, a blue run going on at the next row's start, a one-pixel green run at
# column 0 and a black block.
name=runs bmp -size 16x6 xc:white -fill red -draw "rectangle 8,0 15,1" \
  -fill blue -draw "rectangle 0,1 3,2" -fill lime -draw "point 0,4" \
  -fill black -draw "rectangle 5,3 9,5"
# A picture one pixel wide.
name=column bmp -size 1x5 xc:navy
# Stroke areas: a red bar 12 pixels tall is traced; a blue line 1 pixel tall
# and a green square 80 wide end as dots.
name=bars bmp -size 240x160 xc:white -fill red -draw "rectangle 20,20 200,31" \
  -fill blue -draw "rectangle 20,50 200,50" -fill lime -draw "rectangle 20,70 99,149"
# Strokes along the picture's edges, first row and first column included.
name=edges bmp -size 120x80 xc:white -fill magenta -draw "rectangle 0,0 100,9" \
  -fill teal -draw "rectangle 0,0 9,79" -fill orange -draw "rectangle 30,70 119,79" \
  -fill purple -draw "rectangle 110,0 119,60"
# A few random brush strokes and a small 16 colour logo, for whole shows.
draw=$(awk 'BEGIN {
  srand(77)
  for (k = 0; k < 12; k++) {
    printf "stroke rgb(%d,%d,%d) stroke-width %d ", int(rand() * 240), int(rand() * 240), int(rand() * 240), 3 + int(rand() * 13)
    x = 20 + int(rand() * 160); y = 20 + int(rand() * 110)
    printf "path \"M %d,%d", x, y
    for (s = 0; s < 2; s++) {
      x1 = x + int(rand() * 60) - 30; y1 = y + int(rand() * 60) - 30
      x = x + int(rand() * 80) - 40; y = y + int(rand() * 80) - 40
      printf " Q %d,%d %d,%d", x1, y1, x, y
    }
    printf "\" "
  }
}')
name=strokes bmp -size 200x150 xc:white +antialias -fill none -draw "$draw"
name=logo16 bmp logo: -resize 256x192! +dither -colors 16
