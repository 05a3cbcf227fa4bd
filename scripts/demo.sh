#!/usr/bin/env bash
# Quick start, first command: install what is missing, build, run the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/build/bin/talvex-expand" "$root/examples/expressions.txt"
