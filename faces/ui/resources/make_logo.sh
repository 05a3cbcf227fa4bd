#!/usr/bin/env bash
# Draws the About box's logo (100 x 100 pixels, 16 colours): a script page
# with a measured trace running through it. Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 100x100 xc:'#c0c0c0' \
  -fill white -stroke '#000080' -strokewidth 3 -draw 'rectangle 14,8 76,88' \
  -stroke '#808080' -draw 'line 22,20 62,20' -draw 'line 22,30 54,30' -draw 'line 22,40 66,40' \
  -fill none -stroke '#ff0000' -strokewidth 4 \
  -draw 'polyline 6,72 22,72 30,52 40,88 50,60 58,72 94,72' \
  -stroke none -fill '#000080' -draw 'rectangle 62,50 94,90' \
  -fill '#ffff00' -font DejaVu-Sans-Bold -pointsize 34 -gravity NorthWest -draw "text 68,52 'T'" \
  -colors 16 PNG8:logo.png
