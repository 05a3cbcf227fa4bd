#!/usr/bin/env bash
# Makes talvex.ico, the Windows program's icon and its About box's logo, from
# the logo the other window shows (faces/ui/resources/logo.png): the sizes
# Windows asks for, and the About box's 100 and 150 pixels (96 and 144 DPI).
# Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
convert ../ui/resources/logo.png -filter point \
  -define icon:auto-resize=150,100,48,32,16 talvex.ico
