#!/usr/bin/env bash
# Drives talvex.exe under Wine for docs/window-windows.png: starts it with
# examples/demo.tvx against korva32-sim.exe, presses Run Script (Alt+R); the
# demo's last wait lasts 6 s (in a copy of the examples), so a screenshot
# after 7 s shows the run at that line. On a virtual display, in a prefix of
# its own with Wine's default graphics driver (the null driver draws nothing):
#   WINEPREFIX=/tmp/shot-prefix shot /tmp/shot.png 7 scripts/window-windows-shot.sh
#   convert /tmp/shot.png -crop 602x425+4+22 +repage docs/window-windows.png
# Needs xdotool. Logs and the registry stay in the scratch prefix.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-shot-common.sh"
cp "$root"/examples/*.tvx "$scratch/"
sed -i "s/^wait(20)/wait(6000)/" "$scratch/demo.tvx"
cd "$scratch"
wine "$root/build-win/bin/talvex.exe" demo.tvx & p=$!
w=$(find_window "KORVA Automated")
sleep 1
xdotool windowfocus --sync "$w" 2>/dev/null
xdotool key --window "$w" alt+r
wait $p
finish
