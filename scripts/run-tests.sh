# Sourced by the test scripts (after setting root, the checkout, and jobs, the tests ctest runs at
# once).
# Builds run one compile more than there are cores: the compiler drivers wait on files and on
# their own start now and then (Emscripten's most of all), which another compile fills.
build_jobs=${QUADRISE_BUILD_JOBS:-$(($(nproc) + 1))}
# run_tests BUILD_DIR [CTEST_ARGS...]: the tests of that build (every one, unless the arguments
# select). With CI=true a test that skipped itself (a missing tool, say) fails the run: set-up
# installs everything.
run_tests() {
    local build=$1 log="$1/Testing/ctest-summary.log"
    shift
    mkdir -p "$build/Testing"
    ctest --test-dir "$build" -j"$jobs" --output-on-failure --timeout 300 "$@" | tee "$log"
    if [ "${CI:-}" = true ] && grep -q "The following tests did not run" "$log"; then
        echo "CI: the tests above did not run; in CI every test must run" >&2
        return 1
    fi
}

# The sanitizer builds, run by their legs and, before them, by scripts/early-builds.sh.
build_sanitize() {
    cmake --preset sanitize -S "$root" &&
        cmake --build "$root/build-sanitize" -j"$build_jobs"
}
build_tsan() {
    cmake --preset tsan -S "$root" &&
        cmake --build "$root/build-tsan" -j"$build_jobs" --target audio_tests app_tests timeline_tests
}
# wait_early NAME: until the early build NAME is done, where scripts/test.sh started the early
# builds (the folder of their NAME.rc files in QUADRISE_EARLY_BUILDS, their process in
# QUADRISE_EARLY_PID).
wait_early() {
    [ -z "${QUADRISE_EARLY_BUILDS:-}" ] || until [ -e "$QUADRISE_EARLY_BUILDS/$1.rc" ] ||
        ! kill -0 "$QUADRISE_EARLY_PID" 2>/dev/null; do sleep 1; done
}
