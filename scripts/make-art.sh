#!/usr/bin/env bash
# Renders the SVG sources in resources/art/src into the bitmaps and the icon
# that the resource scripts name. The results are committed, so a build never
# needs this script; run it after changing a source:
#     scripts/make-art.sh
# Needs rsvg-convert (librsvg2-bin), ImageMagick's convert and python3 (for
# the help page's pictures of the bundled shows).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
src=$here/resources/art/src
out=$here/resources/art
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The player keys the character out by the colour of pixel (1, 1). Every
# pixel the figure covers at least half stays opaque with its own colour; all
# others become this colour, which the figures never use. Hard edges keep
# pinkish fringes out of the key blit.
key='#FF00FF'

character() {  # name
  rsvg-convert "$src/painter_$1.svg" -o "$work/$1.png"
  convert "$work/$1.png" -channel A -threshold 50% +channel \
          -background "$key" -alpha remove -alpha off \
          -type TrueColor "BMP3:$out/painter_$1.bmp"
}

# A dialog thumbnail: a 3:2 crop (x y w h in the character's own pixels)
# scaled to 113 x 75 on a canvas-coloured card with a thin frame.
thumbnail() {  # character thumb-name x y w h
  rsvg-convert -z 3 "$src/painter_$1.svg" -o "$work/$1@3.png"
  convert -size 113x75 radial-gradient:'#fffaf0'-'#e9dcc2' \
          \( "$work/$1@3.png" -crop "$(( $5 * 3 ))x$(( $6 * 3 ))+$(( $3 * 3 ))+$(( $4 * 3 ))" +repage \
             -resize 111x73 \) -gravity center -composite \
          -fill none -stroke '#8a6a4a' -draw 'rectangle 0,0 112,74' \
          -type TrueColor "BMP3:$out/thumb_$2.bmp"
}

picture() {  # name
  rsvg-convert "$src/$1.svg" -o "$work/$1.png"
  convert "$work/$1.png" -background white -alpha remove -alpha off \
          -type TrueColor "BMP3:$out/$1.bmp"
}

for name in dorin velka bramwell rare preview; do character "$name"; done
thumbnail dorin    dorin    112 0 189 126
thumbnail velka    velka    100 0 190 127
thumbnail bramwell bramwell 127 0 200 133
for name in about_title about_banner1 about_banner2 about_banner3; do picture "$name"; done

rsvg-convert -w 32 -h 32 "$src/icon.svg" -o "$work/icon32.png"
rsvg-convert -w 16 -h 16 "$src/icon.svg" -o "$work/icon16.png"
convert "$work/icon16.png" "$work/icon32.png" "$out/tovaren.ico"

# The editor's cursors: drawing 118, colour pick 132, fill 140. The hot spot
# is the tip of the tool, as each source's comment says.
cursor() {  # name hotspot-x hotspot-y
  rsvg-convert -w 32 -h 32 "$src/cursor_$1.svg" -o "$work/cursor_$1.png"
  convert "$work/cursor_$1.png" "rgba:$work/cursor_$1.rgba"
  python3 "$here/scripts/png_to_cur.py" "$work/cursor_$1.rgba" "$2" "$3" "$out/cursor_$1.cur"
}
cursor draw 1 30
cursor pick 1 30
cursor fill 3 30

# The show file icon that the installer gives .sho files (16, 32 and 48 pixels).
for size in 16 32 48; do rsvg-convert -w $size -h $size "$src/show_icon.svg" -o "$work/show$size.png"; done
convert "$work/show16.png" "$work/show32.png" "$work/show48.png" "$out/show.ico"

# The installer's pictures, in the sizes its pages show them: the welcome and
# finish pages' 164 x 314 picture is the About picture scaled to its width,
# its last whole row repeated below it; the page header's 150 x 57 has a
# source of its own.
rsvg-convert -w 164 "$src/about_title.svg" -o "$work/installer_welcome.png"
convert "$work/installer_welcome.png" -crop 164x283+0+0 +repage -alpha off \
        -virtual-pixel edge -set option:distort:viewport 164x314+0+0 -filter point -distort SRT 0 \
        +repage -type TrueColor "BMP3:$out/installer_welcome.bmp"
picture installer_header

# Pictures for the help page: the About picture, the three painters and a
# look at each bundled show as it stands when finished.
help=$here/help/html/images
mkdir -p "$help"
convert "$out/about_title.bmp" -resize 113x195 -strip "$help/title.png"
for name in velka dorin bramwell; do convert "$out/thumb_$name.bmp" -strip "$help/$name.png"; done
for show in "$here"/shows/*.sho; do
  name=$(basename "$show" .sho)
  python3 "$here/scripts/show_preview.py" "$show" "$work/$name.png" >/dev/null
  convert "$work/$name.png" -resize 256x192 -strip "$help/show-$name.png"
done

ls -l "$out"/*.bmp "$out"/*.ico "$out"/*.cur "$help"
