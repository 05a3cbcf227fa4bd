#!/usr/bin/env bash
# Quick start, second command: install what is missing, build, run every test:
# the Linux build's, then the Windows build's under Wine. TALVEX_SKIP_WINDOWS=1
# leaves the Windows part out for a quick local run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure --timeout 300 -j"$(nproc)")
if [ "${TALVEX_SKIP_WINDOWS:-}" = 1 ]; then
  echo "Windows tests skipped (TALVEX_SKIP_WINDOWS=1)."
else
  "$root/scripts/windows-test.sh"
fi
