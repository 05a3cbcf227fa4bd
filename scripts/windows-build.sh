#!/usr/bin/env bash
# Cross-builds the Windows programs (talvex-run.exe, korva32-sim.exe) and the
# tests of their layers into build-win/ with Debian's mingw-w64. Extra CMake
# options may follow. Under CI, warnings are errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/compiler-cache.sh"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
# -O2 as on Linux, but no debug information: nothing debugs these .exe files
# (no debugger on a lab PC or under Wine in CI), and it costs a third of the
# compile time.
cmake -S "$root" -B "$root/build-win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTALVEX_WERROR=$werror \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" "$@" >/dev/null
cmake --build "$root/build-win" -j"$(nproc)"
