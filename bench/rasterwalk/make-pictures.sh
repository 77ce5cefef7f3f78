#!/usr/bin/env bash
# Makes the benchmark pictures with ImageMagick into the folder given as $1:
# logo.bmp, logo16.bmp, rose.bmp, rose16.bmp (1024 x 768, the 16 colour ones
# quantized without dithering) and strokes.bmp (200 random brush strokes
# 3 to 15 pixels wide on white, no antialiasing, a fixed seed).
set -euo pipefail
out=$1
mkdir -p "$out"
convert logo: -resize 1024x768! -type TrueColor BMP3:"$out/logo.bmp"
convert logo: -resize 1024x768! +dither -colors 16 -type TrueColor BMP3:"$out/logo16.bmp"
convert rose: -resize 1024x768! -type TrueColor BMP3:"$out/rose.bmp"
convert rose: -resize 1024x768! +dither -colors 16 -type TrueColor BMP3:"$out/rose16.bmp"
draw=$(awk 'BEGIN {
  srand(1504)
  for (k = 0; k < 200; k++) {
    width = 3 + int(rand() * 13)
    printf "stroke rgb(%d,%d,%d) stroke-width %d ", int(rand() * 240), int(rand() * 240), int(rand() * 240), width
    x = 40 + int(rand() * 944); y = 40 + int(rand() * 688)
    printf "path \"M %d,%d", x, y
    for (s = 0; s < 3; s++) {
      x1 = x + int(rand() * 160) - 80; y1 = y + int(rand() * 160) - 80
      x = x + int(rand() * 200) - 100; y = y + int(rand() * 200) - 100
      printf " Q %d,%d %d,%d", x1, y1, x, y
    }
    printf "\" "
  }
}')
convert -size 1024x768 xc:white +antialias -fill none -draw "$draw" -type TrueColor BMP3:"$out/strokes.bmp"
