#!/usr/bin/env bash
# Draws the program's icon: the white syllable ता on a black rounded square, at the sizes
# Windows asks for, into src/main/tarovik.ico. Needs ImageMagick and fonts-lohit-deva.
# Not run by the build: its output is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
font=/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 24 32 48 64 256; do
  radius=$((size * 22 / 100))
  convert -size "${size}x${size}" xc:none -fill black \
    -draw "roundrectangle 0,0 $((size - 1)),$((size - 1)) $radius,$radius" \
    -font "$font" -fill white -pointsize $((size * 58 / 100)) -gravity center -annotate +0+$((size / 16)) "ता" \
    "PNG32:$work/$size.png"
done
convert "$work"/16.png "$work"/24.png "$work"/32.png "$work"/48.png "$work"/64.png "$work"/256.png \
  -define png:exclude-chunks=date,time src/main/tarovik.ico
echo "wrote src/main/tarovik.ico"

# The brand logo shown by the Preferences page: ता under a pen nib, 256 × 256.
convert -size 256x256 xc:none -fill black -draw "roundrectangle 0,0 255,255 56,56" \
  -fill white -draw "polygon 128,30 150,62 140,92 116,92 106,62" \
  -fill black -draw "circle 128,70 128,75" -stroke black -strokewidth 3 -draw "line 128,74 128,92" -stroke none \
  -font "$font" -fill white -pointsize 118 -gravity center -annotate +0+42 "ता" \
  -define png:exclude-chunks=date,time PNG32:src/win_studio/brand-logo.png
echo "wrote src/win_studio/brand-logo.png"
