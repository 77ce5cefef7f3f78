#!/usr/bin/env bash
# The body of bench/reelcast.sh, inside its X server.
set -euo pipefail
build=$1 wine_run=$2 top=$3
work=$build/bench-reelcast
rm -rf "$work"
mkdir -p "$work"
seconds=30 width=640
export MAGICK_CONFIGURE_PATH=$top/bench/reelcast

winpath() { echo "Z:$(echo "$1" | tr / '\\\\')"; }
now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc -l; }
size() { stat -c %s "$1"; }
ratio() { echo "scale=3; $1 / $2" | bc -l; }

# The shows: the bundled ones, the photograph, the million points.
shows=()
for show in "$top"/shows/*.sho; do shows+=("$show"); done
convert rose: -resize 1024x768! -type TrueColor BMP3:"$work/photograph.bmp"
"$wine_run" "$build/bin/rasterwalk.exe" "$(winpath "$work/photograph.bmp")" 1 >/dev/null 2>&1
shows+=("$work/photograph.sho")
python3 "$top/bench/reelcast/make-bigshow.py" "$work/million.sho"
shows+=("$work/million.sho")

# The last frame of a GIF as a PNG, as a viewer shows it.
last_frame() { gifsicle -U "$1" '#-1' | convert gif:- "$2"; }

printf '%-12s %9s %7s | %10s %7s %6s | %10s %6s | %7s %7s\n' show points ours_s ours_bytes im_s \
  ratio gifsicle ratio psnr psnr_im
for show in "${shows[@]}"; do
  name=$(basename "$show" .sho)
  points=$(( ($(size "$show") - 176) / 16 ))
  ours=$work/$name.gif
  start=$(now)
  "$wine_run" "$build/bin/reelcast.exe" "$(winpath "$show")" "$(winpath "$ours")" $seconds $width \
    >"$work/$name.log" 2>&1
  ours_s=$(elapsed "$start" "$(now)")

  frames=$work/frames-$name
  mkdir -p "$frames"
  "$wine_run" "$build/bin/reelcast_frames.exe" "$(winpath "$show")" "$(winpath "$frames")" \
    $seconds $width >/dev/null 2>&1
  args=()
  n=0
  while read -r delay; do
    delay=${delay%$'\r'}
    args+=(-delay "$delay" "$frames/$(printf 'f%05d.ppm' $n)")
    n=$((n + 1))
  done < "$frames/delays.txt"

  start=$(now)
  convert "${args[@]}" -loop 0 -layers Optimize "$work/$name-im.gif"
  im_s=$(elapsed "$start" "$(now)")
  convert "${args[@]}" -loop 0 "$work/$name-plain.gif"
  start=$(now)
  # The frames ImageMagick wrote each carry their own palette; gifsicle is
  # asked for one of 256 colours, as ours has.
  gifsicle -O3 --colors 256 "$work/$name-plain.gif" -o "$work/$name-gifsicle.gif"
  gs_s=$(elapsed "$start" "$(now)")

  psnr=- psnr_im=-
  if [ "$name" = photograph ]; then
    truth=$frames/$(printf 'f%05d.ppm' $((n - 1)))
    last_frame "$ours" "$work/ours-last.png"
    last_frame "$work/$name-im.gif" "$work/im-last.png"
    psnr=$(compare -metric PSNR "$truth" "$work/ours-last.png" null: 2>&1 || true)
    psnr_im=$(compare -metric PSNR "$truth" "$work/im-last.png" null: 2>&1 || true)
  fi
  printf '%-12s %9d %7.2f | %10d %7.2f %6.3f | %10d %6.3f | %7s %7s\n' "$name" "$points" "$ours_s" \
    "$(size "$ours")" "$im_s" "$(ratio "$(size "$ours")" "$(size "$work/$name-im.gif")")" \
    "$(size "$work/$name-gifsicle.gif")" "$(ratio "$(size "$ours")" "$(size "$work/$name-gifsicle.gif")")" \
    "$psnr" "$psnr_im"
  echo "  $name: ImageMagick $(size "$work/$name-im.gif") bytes; gifsicle -O3 ${gs_s}s;" \
       "time ratio ours/ImageMagick $(ratio "$ours_s" "$im_s")"
  rm -rf "$frames" "$work/$name-plain.gif"
done
