#!/usr/bin/env bash
# Cross-builds the Windows programs (talvex-run.exe, korva32-sim.exe) and the
# tests of their layers into build-win/ with Debian's mingw-w64. Extra CMake
# options may follow. Under CI, warnings are errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S "$root" -B "$root/build-win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTALVEX_WERROR=$werror "$@" >/dev/null
cmake --build "$root/build-win" -j"$(nproc)"
