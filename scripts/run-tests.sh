# Sourced by the test scripts (after setting jobs, the tests ctest runs at once).
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
