#!/usr/bin/env bash
# Cross-builds the Windows programs (talvex-run.exe, korva32-sim.exe) and the
# tests of their layers into build-win/ with Debian's mingw-w64. Extra CMake
# options may follow. Under CI, warnings are errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/compiler-cache.sh"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
# The "mingw" preset of CMakePresets.json: -O2 as on Linux, but no debug
# information: nothing debugs these .exe files (no debugger on a lab PC or
# under Wine in CI), and it costs a third of the compile time.
cmake -S "$root" --preset mingw -DTALVEX_WERROR=$werror "$@" >/dev/null
cmake --build "$root/build-win" -j"$(nproc)"
