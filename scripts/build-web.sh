#!/usr/bin/env bash
# Builds the browser version into build-web/site/: index.html and the files it loads. Serve that
# folder with any static file server (python3 -m http.server) and open it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-2}
cmake --preset web -S "$root" >/dev/null
cmake --build "$root/build-web" -j"$jobs" --target site
echo "build-web: the site is in $root/build-web/site"
