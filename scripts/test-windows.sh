#!/usr/bin/env bash
# The Windows leg of the test suite, run by scripts/test.sh after the Release build (build/), whose
# renders the demos are compared with: both Windows builds under wine in a private prefix
# (build-wine/), the core's unit tests of each, the 64-bit demo end to end and the 32-bit demo's
# sound. The 32-bit programs run natively where the machine runs 32-bit programs, elsewhere under
# qemu's user-mode emulation (scripts/emulate-i386.sh) in a prefix of their own, build-wine32/,
# made under the emulator: a prefix made where they cannot run lacks their half of Windows.
# QUADRISE_32BIT=emulated runs them under the emulator where they would run natively too. With the
# argument "32", only the 32-bit tests of the builds there are, in the prefix of WINEPREFIX: the
# part that runs under the emulator. With "build-64" or "build-32", only that build, which needs no
# wine: both embed the module the Release build's module builder writes (the 64-bit demo's run
# checks that the Windows builder writes the same bytes). scripts/early-builds.sh runs them early
# and names in QUADRISE_EARLY_BUILDS the folder where it leaves win64.rc and win32.rc once each is
# done (and in QUADRISE_EARLY_PID its process), which the whole leg waits for before it builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-2}
source "$root/scripts/run-tests.sh"

build_win64() {
    cmake --preset win64 -S "$root" "-DQUADRISE_SOUNDTRACK_BUILD=$root/build/soundtrack-build"
    cmake --build "$root/build-win64" -j"$build_jobs" --target quadrise quadrise-fast-clock soundtrack-build \
        synth_tests player_tests audio_tests resources_tests platform_tests quadrise-class-taken
}
build_win32() {
    cmake --preset win32 -S "$root" -DQUADRISE_TESTS=ON "-DQUADRISE_SOUNDTRACK_BUILD=$root/build/soundtrack-build"
    cmake --build "$root/build-win32" -j"$build_jobs" --target quadrise synth_tests player_tests audio_tests \
        resources_tests platform_tests
}
case "${1:-}" in  # before anything touches wine, which the leg may be using meanwhile
    build-64) build_win64; exit ;;
    build-32) build_win32; exit ;;
esac

source "$root/scripts/wine.sh"
trap wine_stop EXIT

# test_32bit: the 32-bit build's unit tests and the sound its demo sends.
test_32bit() {
    wine_warm  # before ctest runs anything under wine
    run_tests "$root/build-win32"
    bash "$root/tests/e2e/windows/demo.sh" "$root/build" "$root" "$root/build-win32/quadrise.exe" sound
}
if [ "${1:-}" = 32 ]; then
    test_32bit
    exit
fi

# On the way out the background build is stopped where it still runs (a failure meanwhile).
stop_all() {
    [ -z "${build_32bit:-}" ] || kill "$build_32bit" 2>/dev/null || true
    wine_stop
}
trap stop_all EXIT
wine_warm  # before ctest runs anything under wine
wait_early win64
build_win64
run_tests "$root/build-win64"
# The 32-bit build compiles at the lowest priority while the 64-bit demo runs end to end, which
# waits on real time and leaves a core mostly idle; it needs no wine while that run stops and
# starts the prefix's server.
mkdir -p "$root/build-win32"
(
    renice -n 19 $BASHPID >/dev/null
    wait_early win32
    build_win32
) >"$root/build-win32/build.log" 2>&1 &
build_32bit=$!
bash "$root/tests/e2e/windows/demo.sh" "$root/build" "$root" "$root/build-win64/quadrise.exe"
wait $build_32bit || { cat "$root/build-win32/build.log"; echo "test-windows: the 32-bit build failed" >&2; exit 1; }
way=natively
if [ "${QUADRISE_32BIT:-}" = emulated ]; then
    way="under qemu emulation (QUADRISE_32BIT=emulated)"
elif ! wine_runs_32bit; then
    way="under qemu emulation (this machine runs no 32-bit Windows programs)"
fi
echo "32-bit Windows: its unit tests and demo run $way"
if [ "$way" = natively ]; then
    test_32bit
else
    wine_stop  # the probe's server; the emulated programs have a prefix of their own
    WINEPREFIX=$root/build-wine32 "$root/scripts/emulate-i386.sh" bash "$root/scripts/test-windows.sh" 32
fi
