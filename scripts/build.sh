#!/usr/bin/env bash
# Configures and builds Talvex in build/ (RelWithDebInfo, -O2). Extra CMake
# options may follow. Under CI, warnings are errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/compiler-cache.sh"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
# The "default" preset of CMakePresets.json: Ninja into build/.
cmake -S "$root" --preset default -DTALVEX_WERROR=$werror "$@" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
