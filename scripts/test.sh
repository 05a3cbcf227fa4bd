#!/usr/bin/env bash
# Quick start, second command: install what is missing, build, run every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --timeout 300 -j"$(nproc)"
