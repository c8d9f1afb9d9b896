#!/usr/bin/env bash
# Builds and runs the whole test suite: the Release build with every unit and end-to-end test,
# then the browser build (scripts/test-web.sh), then the Windows builds under wine
# (scripts/test-windows.sh), then the AddressSanitizer + UndefinedBehaviorSanitizer build with the
# same tests but the whole show (label long), whose code the other tests already run there, and
# the Debian package's (label package), which is made of the Release build, then the
# ThreadSanitizer build of the audio and app tests, then the fuzzers. Exits non-zero on the first
# failing stage. With CI=true a test that skipped itself (a missing tool, say) fails the run:
# set-up installs everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-2}

source "$root/scripts/run-tests.sh"

"$root/scripts/setup.sh"

echo "== Release build and tests"
cmake --preset release -S "$root"
cmake --build "$root/build" -j"$build_jobs"

# The builds of the later legs start now, one after another in a session of their own at the
# lowest priority (scripts/early-builds.sh): they take the time the tests leave idle waiting on
# real time, and each leg waits for its own to be done (a file NAME.rc in $early) before it builds,
# when nothing is left to do.
early=$root/build/early-builds
rm -rf "$early" && mkdir -p "$early"
setsid bash "$root/scripts/early-builds.sh" "$early" </dev/null >"$early/early-builds.log" 2>&1 &
early_builds=$!
trap 'kill -- -$early_builds 2>/dev/null || true' EXIT
export QUADRISE_EARLY_BUILDS=$early QUADRISE_EARLY_PID=$early_builds

run_tests "$root/build"

echo "== Browser build: the core's unit tests under node, the page in headless Chromium"
bash "$root/scripts/test-web.sh"

echo "== Windows builds (64-bit and 32-bit) under wine: the core's unit tests, the demos end to end"
bash "$root/scripts/test-windows.sh"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
wait_early sanitize
build_sanitize
# The display and GL libraries keep allocations until the process ends; only our leaks count.
export LSAN_OPTIONS="suppressions=$root/tests/platform/lsan_suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_tests "$root/build-sanitize" -LE "long|package"

echo "== ThreadSanitizer build of the audio, app and cube tests (the mixing thread against the main"
echo "   thread; the cube batch's strips side by side)"
wait_early tsan
build_tsan
export TSAN_OPTIONS="halt_on_error=1" SDL_AUDIODRIVER=dummy
"$root/build-tsan/tests/audio_tests"
# The app tests draw frames while the music plays. llvmpipe draws on the test's own thread
# (LP_NUM_THREADS=0): its worker threads synchronise in ways ThreadSanitizer cannot see, which
# it would report as races inside Mesa.
LP_NUM_THREADS=0 xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build-tsan/tests/app_tests"
# The made-up scenes run the cube batch with one to four strips, each on a thread of its own.
LP_NUM_THREADS=0 xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build-tsan/tests/timeline_tests" \
    --gtest_filter='BatchedCubes.LeaveOut*'

echo "== Fuzzing"
# Half a minute of each run finds what a regression brings in; longer runs grow the corpus.
wait_early fuzz
FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash "$root/scripts/fuzz.sh"
echo "== All tests passed"
