#!/usr/bin/env bash
# Frames per second of each scene and of an empty frame on a private Xvfb (Mesa's llvmpipe, a
# 1024x768 window), the cubes batched and drawn one at a time (the _immediate runs), then the time quadrise-render frame takes for a late frame.
# Usage: bench/frames.sh [BUILD_DIR] [Google Benchmark options, e.g. --benchmark_repetitions=3]
set -euo pipefail
build=${1:-build}
shift || true
scratch=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$scratch/display")"
"$build/bench/frame_bench" "$@"
TIMEFORMAT="quadrise-render frame 150000: %R s wall, %U s user, %S s system"
time "$build/quadrise-render" frame 150000 -o "$scratch/frame.png" >/dev/null
