#!/usr/bin/env bash
# Drives the window for the pictures in docs/: starts talvex with examples/demo.tvx,
# presses Run Script, closes the "Script Done" box. Meant to run on a virtual
# display with a screenshot taken after a few seconds, e.g.
#   cd examples && shot /tmp/shot.png 7 ../scripts/window-demo-shot.sh ../build/bin/talvex
#   convert /tmp/shot.png -crop 601x423+0+0 +repage ../docs/window-after-demo.png
# With "during" as second argument the demo's last wait lasts 6 s (in a copy
# of the examples), so a screenshot after 4 s shows the run at that line:
#   cd examples && shot /tmp/shot.png 4 ../scripts/window-demo-shot.sh ../build/bin/talvex during
# Needs xdotool. Socket, logs and settings stay in a scratch folder.
set -u
scratch=$(mktemp -d)
export KORVA_SOCKET=$scratch/k TALVEX_LOG_FOLDER=$scratch/logs XDG_CONFIG_HOME=$scratch/config
# The host is ours, so it goes with this script however the window ends.
"$(dirname "$1")/korva32" --socket "$KORVA_SOCKET" & k=$!
finish() { kill "$k" 2>/dev/null; rm -rf "$scratch"; }
trap 'finish; exit 0' TERM
sleep 0.3
script=demo.tvx
if [ "${2:-}" = during ]; then
  cp ./*.tvx "$scratch/"
  sed -i 's/^wait(20)/wait(6000)/' "$scratch/demo.tvx"
  script=$scratch/demo.tvx
fi
"$1" "$script" & p=$!
w=
for _ in $(seq 50); do
  w=$(xdotool search --name "KORVA Automated" 2>/dev/null | head -1)
  [ -n "$w" ] && break
  sleep 0.1
done
sleep 0.5
xdotool windowfocus --sync "$w" 2>/dev/null
xdotool key --window "$w" alt+r
sleep 3
[ "${2:-}" = during ] && sleep 6
for box in $(xdotool search --name "KORVA Automated" 2>/dev/null); do
  [ "$box" != "$w" ] && xdotool key --window "$box" Return
done
wait $p
finish
