#!/usr/bin/env bash
# Builds the release packages and checks them:
#   build/talvex_VERSION_amd64.deb            the Debian package (lintian: no errors)
#   build-win/talvex-VERSION-windows-x64.zip  the lab PC's zip
# The zip's user's guide is the PDF the Linux build renders (the Windows build
# has no Qt), so the Linux build comes first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
"$root/scripts/windows-build.sh" -DTALVEX_HELP_PDF="$root/build/bin/talvex_help.pdf"

(cd "$root/build" && cpack -G DEB >/dev/null)
(cd "$root/build-win" && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/CMakeCache.txt")
deb="$root/build/talvex_${version}_$(dpkg --print-architecture).deb"
zip="$root/build-win/talvex-${version}-windows-x64.zip"

# Every tag lintian finds is shown; only errors fail.
echo "lintian ${deb##*/}:"
status=0
said=$(lintian --fail-on error "$deb" 2>&1) || status=$?
# Root is told it should not run lintian: no finding about the package.
grep -v 'running with root privileges is not recommended' <<<"$said" || true
[ "$status" -eq 0 ] || { echo "lintian found errors in ${deb##*/}" >&2; exit 1; }

(cd "$root/build" && ctest -R '^package_' --output-on-failure --no-tests=error)
(cd "$root/build-win" && ctest -R '^package_' --output-on-failure --no-tests=error)
echo "Packages:"
echo "  $deb"
echo "  $zip"
