#!/usr/bin/env bash
# Quick start, first command: install what is missing, build, run the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/examples"
exec "$root/build/bin/talvex-run" demo.tvx
