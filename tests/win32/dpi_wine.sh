#!/bin/bash
# The layout test once more in a prefix whose screen has 144 DPI: LogPixels
# set for this run, the prefix's processes restarted so they take it, and
# both undone afterwards, however the run ends. Alone (RUN_SERIAL): every
# program of the prefix sees the setting.
# Usage: dpi_wine.sh TESTS.exe
set -u
if [ -z "${WINEPREFIX:-}" ]; then
    echo "WINEPREFIX is not set: run the Windows tests through scripts/windows-test.sh" >&2
    exit 1
fi
export WINEDEBUG=-all
key='HKCU\Control Panel\Desktop'
restore() {
    wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
trap restore EXIT
wine reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 || exit 1
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
TALVEX_TEST_DPI=144 wine "$1" --gtest_filter='*Layout*' --gtest_brief=1
