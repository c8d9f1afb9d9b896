#!/usr/bin/env bash
# Makes packaging/quadrise.png, the icon of the desktop entry, from the show's own cubes: the frame
# of the far colour bands at 131 s drawn by quadrise-render (build/ by default, or the build folder
# given), its lower middle cut square and scaled to 256x256. The icon is committed; run this again
# when the scenes change how they look.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
frame=$(mktemp --suffix=.png)
trap 'rm -f "$frame"' EXIT
"$build/quadrise-render" frame 131000 -o "$frame" >/dev/null
# -strip leaves out the time stamps, so the same frame makes the same file.
convert "$frame" -crop 448x448+288+320 +repage -resize 256x256 -strip "$root/packaging/quadrise.png"
echo "make-icon: $root/packaging/quadrise.png"
