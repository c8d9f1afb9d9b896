#!/usr/bin/env bash
# The browser leg of the test suite, run by scripts/test.sh after the Release build (build/), whose
# quadrise-render the page tests compare the page with: the web build (the site, the test-only
# pages, the core's unit tests), then its tests: the core's under node, the page's in headless
# Chromium on pages served from 127.0.0.1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-2}
source "$root/scripts/run-tests.sh"

cmake --preset web -S "$root"
cmake --build "$root/build-web" -j"$build_jobs" --target all broken-music-site
QUADRISE_BUILD=$root/build run_tests "$root/build-web"
