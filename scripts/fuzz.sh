#!/bin/sh
# Fuzzes the XM loader (with a few seconds of playback of each module) and the module text reader
# under AddressSanitizer and UndefinedBehaviorSanitizer, starting from the corpora kept in
# tests/data/fuzz. Exits non-zero when a fuzzer finds a crash; the input is left in the build
# directory as crash-*.
#   scripts/fuzz.sh               a bounded run for the test suite: FUZZ_SECONDS (default 60) in
#                                 all, two thirds on the loader; the kept corpora stay as they are
#   scripts/fuzz.sh --minutes N   a long run of N minutes in all, after which every input that
#                                 reaches code the kept corpus does not is merged into it
#   scripts/fuzz.sh --build-only  the fuzzers' build alone (scripts/test.sh builds it early)
#   FUZZ_BUILD_DIR                clang build directory (default build-fuzz in the repository)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
merge=false
build_only=false
case "${1:-}" in
    "") ;;
    --build-only) build_only=true ;;
    --minutes)
        [ -n "${2:-}" ] && [ "$2" -gt 0 ] 2>/dev/null || { echo "usage: $0 [--minutes N | --build-only]" >&2; exit 2; }
        seconds=$(($2 * 60))
        merge=true
        ;;
    *) echo "usage: $0 [--minutes N | --build-only]" >&2; exit 2 ;;
esac

# Every library is instrumented for coverage; only the targets link the fuzzer's main.
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUADRISE_FUZZ=ON -DQUADRISE_SANITIZE=ON -DQUADRISE_TESTS=OFF -DQUADRISE_BENCH=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j2 --target fuzz_load_xm fuzz_xm_text
[ "$build_only" = false ] || exit 0

# fuzz TARGET SECONDS MAX_LEN: runs the target over its kept corpus (plus, for the loader, the
# writer-made seeds and the real songs, which the repository keeps elsewhere). A long run then
# merges: the inputs that reach code none of those reach are added to the kept corpus.
fuzz() {
    kept=$root/tests/data/fuzz/$1
    start=$build/fuzz_start/$1
    work=$build/fuzz_corpus/$1
    rm -rf "$start" "$work"
    mkdir -p "$start" "$work"
    cp "$kept"/* "$start"/
    if [ "$1" = load_xm ]; then
        QUADRISE_WRITE_SEEDS=$start "$build/fuzz_$1"
        cp "$root"/tests/data/xm/*.xm "$start"/
    fi
    cp "$start"/* "$work"/
    echo "fuzzing $1 for $2 s"
    "$build/fuzz_$1" -max_total_time="$2" -max_len="$3" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/" "$work"
    [ "$merge" = true ] || return 0
    ls "$start" >"$build/fuzz_start_$1.list"
    # Edges, not hit counts, decide what is kept: the corpus stays a few hundred kilobytes.
    "$build/fuzz_$1" -merge=1 -use_counters=0 -max_len="$3" "$start" "$work" 2>&1 | grep -E '^MERGE-OUTER: [0-9]+ new files' || true
    ls "$start" | grep -vxFf "$build/fuzz_start_$1.list" | while read -r found; do
        cp "$start/$found" "$kept/"
    done
    echo "$1: kept corpus now $(ls "$kept" | wc -l) files, $(cat "$kept"/* | wc -c) bytes"
}

fuzz load_xm $((seconds * 2 / 3)) 32768
fuzz xm_text $((seconds - seconds * 2 / 3)) 8192
