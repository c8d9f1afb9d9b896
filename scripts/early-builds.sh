#!/usr/bin/env bash
# The builds of the test suite's later legs, one after another, started by scripts/test.sh once the
# Release build is done (their module builder), in a session of its own at the lowest priority:
# they take only the time the tests leave idle. Usage: scripts/early-builds.sh FOLDER. Each build's
# output goes to FOLDER/NAME.log and, once it is done, its exit code to FOLDER/NAME.rc; the leg that
# needs it waits for that file, then builds again with nothing left to do (a failed early build is
# built again there, which shows the error).
# The kernel shares the processors between sessions first (autogroups) and by nice only within a
# session: the browser Playwright starts has a session of its own, and a nice of 19 here would
# still take half the machine from it. The session's own nice is set instead, where there is one.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
early=$1
source "$root/scripts/run-tests.sh"

echo 19 >"/proc/$$/autogroup" 2>/dev/null || true
renice -n 19 $$ >/dev/null

early_build() {  # early_build NAME COMMAND...
    local name=$1 rc=0
    shift
    "$@" >"$early/$name.log" 2>&1 || rc=$?
    echo $rc >"$early/$name.rc"
}
early_build win64 bash "$root/scripts/test-windows.sh" build-64
early_build win32 bash "$root/scripts/test-windows.sh" build-32
early_build sanitize build_sanitize
early_build tsan build_tsan
early_build fuzz sh "$root/scripts/fuzz.sh" --build-only
