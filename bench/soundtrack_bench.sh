#!/bin/bash
# Times the soundtrack's build step and its offline render, each as whole processes:
#   soundtrack-build  the module text -> XM bytes (what the build runs for the embedded module)
#   embedding         the generated C++ source of the resources (the step after it)
#   soundtrack        quadrise-render soundtrack for the whole show (157 s of music time)
# Usage: bench/soundtrack_bench.sh [BUILD_DIR] [RUNS]; prints the median and the fastest run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# time_runs NAME COMMAND...: runs the command RUNS times, prints median and fastest wall time.
time_runs() {
    local name=$1
    shift
    for _ in $(seq "$runs"); do
        local start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        echo $(( $(date +%s%N) - start ))
    done | sort -n | awk -v name="$name" '{ t[NR] = $1 } END {
        printf "%-16s median %8.1f ms   fastest %8.1f ms   (%d runs)\n", name, t[int((NR + 1) / 2)] / 1e6, t[1] / 1e6, NR }'
}

time_runs soundtrack-build "$build/soundtrack-build" "$root/resources/MUSIC/XMMOD.xmt" "$tmp/XMMOD.xm"
mkdir -p "$tmp/built/MUSIC"
cp "$tmp/XMMOD.xm" "$tmp/built/MUSIC/"
time_runs embedding cmake -DOUT="$tmp/resources.cpp" -DDIR="$root/resources" -DBUILT="$tmp/built" \
    -DTABLE=bench -P "$root/cmake/GenerateResources.cmake"
time_runs soundtrack "$build/quadrise-render" soundtrack -o "$tmp/show.wav"
seconds=$(soxi -D "$tmp/show.wav")
"$build/quadrise-render" soundtrack -o "$tmp/show.wav" | sed 's/^/last run: /'
echo "audio rendered: $seconds s"
