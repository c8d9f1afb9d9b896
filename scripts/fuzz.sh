#!/bin/sh
# Fuzzes the XM loader and a few seconds of playback of each module for a bounded time under
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero when the fuzzer finds a crash.
#   FUZZ_SECONDS   run time (default 60)
#   FUZZ_BUILD_DIR clang build directory (default build-fuzz in the repository)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
songs=$root/tests/data/xm

# Every library is instrumented for coverage; only the target links the fuzzer's main.
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUADRISE_FUZZ=ON -DQUADRISE_SANITIZE=ON -DQUADRISE_TESTS=OFF -DQUADRISE_BENCH=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j2 --target fuzz_load_xm

corpus=$build/fuzz_corpus
mkdir -p "$corpus"
QUADRISE_WRITE_SEEDS=$corpus "$build/fuzz_load_xm"
cp "$songs"/*.xm "$corpus"/

echo "fuzzing the XM loader for $seconds s"
"$build/fuzz_load_xm" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/" "$corpus"
