#!/usr/bin/env bash
# Quick start, first command: install what is missing, build, then open the
# window with the demo script examples/demo.tvx. Without a display the demo
# runs headless (talvex-run) and the way to start the window is shown.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/examples"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build/bin/talvex" demo.tvx
fi
"$root/build/bin/talvex-run" demo.tvx
echo
echo "No display here, so the demo ran headless. On a desktop, open it in the window with:"
echo "  $root/build/bin/talvex $root/examples/demo.tvx"
