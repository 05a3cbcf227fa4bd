#!/usr/bin/env bash
# Drives talvex.exe under Wine for docs/guide-windows.png: Help > View on a
# PC where no program opens talvex_help.pdf (".pdf" belongs to none in the
# prefix), so the guide window opens; then a key in its contents (Tab to
# them, "6") brings chapter 6 to the top. On a virtual display, in a prefix
# of its own with Wine's default graphics driver:
#   WINEPREFIX=/tmp/shot-prefix-guide shot /tmp/guide.png 40 scripts/guide-windows-shot.sh
#   convert /tmp/guide.png -crop 1000x700+4+23 +repage docs/guide-windows.png
# (the guide window's place and size, which the script prints). Needs xdotool.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-shot-common.sh"
wine reg add 'HKCR\.pdf' /ve /d TalvexShot.NoViewer /f >/dev/null 2>&1
# Help > View shows only where the PDF lies beside the program.
cp "$root/build-win/bin/talvex.exe" "$scratch/"
printf '%%PDF-1.4\n' >"$scratch/talvex_help.pdf"
cd "$scratch"
wine talvex.exe & p=$!
w=$(find_window "KORVA Automated")
sleep 1
xdotool windowfocus --sync "$w" 2>/dev/null
xdotool key --window "$w" alt+h
sleep 0.5
xdotool key v
g=$(find_window "Talvex User's Guide")
sleep 1
xdotool windowfocus --sync "$g" 2>/dev/null
xdotool key Tab Tab Tab 6
xdotool getwindowgeometry "$g" >&2
wait $p
finish
