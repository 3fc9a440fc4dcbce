#!/usr/bin/env bash
# Draws the banner shown above the address box: a 400 x 106 baseline JPEG with
# three components. Usage: draw_banner.sh [OUTPUT]
set -euo pipefail
out=${1:-$(dirname "$0")/banner.jpg}
convert -size 400x106 gradient:'#1d5fa8'-'#63b3ee' \
  -fill '#ffffff33' -draw 'circle 350,20 420,60' -draw 'circle 40,110 90,150' \
  -fill white -draw 'roundrectangle 24,28 74,78 10,10' \
  -fill '#1d5fa8' -draw 'polygon 41,38 41,68 65,53' \
  -font DejaVu-Sans-Bold -pointsize 34 -fill white -annotate +92+62 'Tarnvex' \
  -font DejaVu-Sans -pointsize 14 -fill '#e8f2ff' -annotate +94+86 'video page to auto-play address' \
  -strip -type TrueColor -colorspace sRGB -interlace none -sampling-factor 2x2 -quality 90 \
  "jpeg:$out"
