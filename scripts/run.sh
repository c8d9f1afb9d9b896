#!/usr/bin/env bash
# Installs what is missing, builds the demo (Release, in build/) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-$(nproc)}

"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j"$jobs" --target quadrise
exec "$root/build/quadrise"
