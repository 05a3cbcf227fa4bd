#!/usr/bin/env bash
# The picture docs/window-check-windows.png: talvex.exe under Wine with
# docs/check-example.tvx, its faults marked in the editor and listed below
# it, against korva32-sim.exe. On a virtual display, in a prefix of its own
# with Wine's default graphics driver (the null driver draws nothing):
#   WINEPREFIX=/tmp/shot-prefix-check shot /tmp/check-win.png 40 scripts/window-windows-check-shot.sh
#   convert /tmp/check-win.png -crop 602x425+4+22 +repage docs/window-check-windows.png
# Needs xdotool. Logs and the registry stay in the scratch prefix.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-shot-common.sh"
cp "$root/docs/check-example.tvx" "$scratch/"
cd "$scratch"
wine "$root/build-win/bin/talvex.exe" check-example.tvx & p=$!
w=$(find_window "KORVA Automated")
sleep 1
xdotool windowfocus --sync "$w" 2>/dev/null
wait $p
finish
