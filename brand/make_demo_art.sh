#!/usr/bin/env bash
# Makes the demo brand's pictures with ImageMagick 6: a still JPEG banner,
# an animated GIF banner and the program icon. The results are committed;
# run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
plain=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# Banner 1 (entry "velmora-demo.jpg"): a still JPEG.
convert -size 468x60 gradient:'#1f4e79'-'#2e86c1' \
  -font "$font" -pointsize 22 -fill white -gravity west -annotate +16-8 'Velmora Demo Edition' \
  -font "$plain" -pointsize 12 -fill '#d6eaf8' -gravity west -annotate +17+14 'Build affiliate pages that sell, in ten easy steps' \
  -fill '#f5b041' -draw 'roundrectangle 360,16 452,44 6,6' \
  -font "$font" -pointsize 13 -fill '#1f2d3a' -gravity east -annotate +26+0 'Learn more' \
  -strip -quality 88 jpg:banner1.dat

# Banner 2 (entry "reseller-offer.gif"): three frames that take turns.
frame() {  # background, text, output
  convert -size 468x60 xc:"$1" \
    -fill '#ffffff22' -draw 'circle 40,30 40,70' -draw 'circle 430,10 430,60' \
    -font "$font" -pointsize 20 -fill white -gravity center -annotate +0+0 "$2" "$3"
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
frame '#7d3c98' 'Resell Velmora under your own name' "$tmp/1.png"
frame '#a93226' 'Keep 100% of every sale' "$tmp/2.png"
frame '#1e8449' 'Join the reseller program today' "$tmp/3.png"
convert -delay 150 -loop 0 "$tmp/1.png" "$tmp/2.png" "$tmp/3.png" -layers Optimize gif:banner2.dat

# Icon: a "V" on a rounded square, in the sizes a desktop asks for.
convert -size 64x64 xc:none -fill '#2e86c1' -draw 'roundrectangle 2,2 61,61 12,12' \
  -font "$font" -pointsize 46 -fill white -gravity center -annotate +0+2 'V' "$tmp/icon.png"
convert "$tmp/icon.png" -define icon:auto-resize=64,48,32,16 main.ico
