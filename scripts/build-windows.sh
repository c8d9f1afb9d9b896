#!/usr/bin/env bash
# Cross-builds the demo for 64-bit and 32-bit Windows (build-win64/, build-win32/) and packs both
# executables, the text for the people who download them and the font's licence notice into
# build-win64/quadrise-VERSION-windows.zip (win64/quadrise.exe, win32/quadrise.exe). The 64-bit
# module builder runs under wine and builds the module for both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-2}
source "$root/scripts/wine.sh"

"$root/scripts/setup.sh"
wine_warm
cmake --preset win64 -S "$root" -DQUADRISE_WIN32_EXE="$root/build-win32/quadrise.exe"
cmake --build "$root/build-win64" -j"$jobs" --target quadrise soundtrack-build
cmake --preset win32 -S "$root" \
    "-DQUADRISE_SOUNDTRACK_BUILD=env;WINEDEBUG=fixme-all;$wine64;$root/build-win64/soundtrack-build.exe"
cmake --build "$root/build-win32" -j"$jobs" --target quadrise
(cd "$root/build-win64" && cpack -G ZIP)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build-win64/CMakeCache.txt")
echo "build-windows: $root/build-win64/quadrise-$version-windows.zip"
