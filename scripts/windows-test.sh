#!/usr/bin/env bash
# Builds the Windows programs and runs their tests under Wine, headless: a
# fresh Wine prefix for this run only (no display needed: the null graphics
# driver, which DDE also needs to connect), removed again afterwards, however
# the tests end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/windows-build.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/talvex-wine.XXXXXX")
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
finish() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Wine says on every start that its 32-bit half is missing; the tests are
# 64-bit, so its output is dropped. Mono and Gecko are not wanted.
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 ||
  { echo "wineboot could not create $WINEPREFIX" >&2; exit 1; }
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 ||
  { echo "could not choose Wine's null graphics driver" >&2; exit 1; }
# The driver is chosen when the prefix's desktop starts, and wineboot started
# it already (without a display, to no avail): DDE connects only after a
# restart.
wineserver -k 2>/dev/null || true # it may have ended by itself
wineserver -w

cd "$root/build-win"
# Now and then a Wine program dies at start with "wine client error: ...
# recvmsg: Connection reset by peer", before it ran any of our code: a test
# that fails is run once more, and both runs stand in the log.
ctest --output-on-failure --timeout 300 -j"$(nproc)" --repeat until-pass:2 "$@"
