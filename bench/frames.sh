#!/usr/bin/env bash
# Frames per second of each scene and of an empty frame on a private Xvfb (Mesa's llvmpipe, a
# 1024x768 window), the cubes batched and drawn one at a time (the _immediate runs), then the time quadrise-render frame takes for a late frame.
# Usage: bench/frames.sh [BUILD_DIR] [Google Benchmark options, e.g. --benchmark_repetitions=3]
set -euo pipefail
build=${1:-build}
shift || true
scratch=$(mktemp -d)
x_server="$(dirname "$0")/../tests/e2e/lib/x_server.sh"
trap 'bash "$x_server" stop "$scratch/x"; rm -rf "$scratch"' EXIT
bash "$x_server" start "$scratch/x" 1024x768x24 >/dev/null
read -r DISPLAY _ <"$scratch/x" && export DISPLAY
"$build/bench/frame_bench" "$@"
TIMEFORMAT="quadrise-render frame 150000: %R s wall, %U s user, %S s system"
time "$build/quadrise-render" frame 150000 -o "$scratch/frame.png" >/dev/null
