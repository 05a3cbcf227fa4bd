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
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
scratch=$(mktemp -d)
export WINEDEBUG=-all KORVA_SERVICE=KORVA_SHOT_$$
export KORVA32="$(winpath "$root/build-win/sim/korva32-sim.exe")"
export TALVEX_LOG_FOLDER="$(winpath "$scratch")"
cp "$root/docs/check-example.tvx" "$scratch/"
cd "$scratch"
wine "$root/build-win/bin/talvex.exe" check-example.tvx & p=$!
finish() { kill "$p" 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$scratch"; }
trap 'finish; exit 0' TERM
w=
for _ in $(seq 300); do
  w=$(xdotool search --name "KORVA Automated" 2>/dev/null | head -1)
  [ -n "$w" ] && break
  sleep 0.1
done
sleep 1
xdotool windowfocus --sync "$w" 2>/dev/null
wait $p
finish
