#!/usr/bin/env bash
# Checks that every C++ file git tracks is formatted as .clang-format says;
# names the ones that are not and fails. `clang-format -i FILE` mends one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 1; }
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
