#!/usr/bin/env bash
# Installs what is missing, builds the demo (Release, in build/) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-$(nproc)}

"$root/scripts/setup.sh"
cmake -S "$root" --preset release
cmake --build "$root/build" -j"$jobs" --target quadrise
exec "$root/build/quadrise"
