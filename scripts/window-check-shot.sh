#!/usr/bin/env bash
# The picture docs/window-check.png: the window with docs/check-example.tvx,
# its faults marked in the editor and listed below it. On a virtual display:
#   shot /tmp/check.png 6 scripts/window-check-shot.sh build/bin/talvex
#   convert /tmp/check.png -crop 603x448+0+0 +repage docs/window-check.png
# Socket and settings stay in a scratch folder.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
export KORVA_SOCKET=$scratch/k XDG_CONFIG_HOME=$scratch/config
"$(dirname "$1")/korva32" --socket "$KORVA_SOCKET" & k=$!
finish() { kill "$k" 2>/dev/null; rm -rf "$scratch"; }
trap 'finish; exit 0' TERM
sleep 0.3
openbox >/dev/null 2>&1 &
"$1" "$root/docs/check-example.tvx"
finish
