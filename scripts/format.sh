#!/usr/bin/env bash
# Formats every C++ source outside tests/ with the rules in .clang-format; with --check it changes
# nothing and fails, listing the files, when any of them is not formatted. The glyph table
# timeline/font_9x15.h is written by tools/font_table_build/font_table_build.cpp and stays as that
# writes it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' | grep -v '^tests/' | grep -v '^timeline/font_9x15\.h$')
if [ "${1:-}" = --check ]; then
    bad=()
    for f in "${files[@]}"; do
        clang-format "$f" | cmp -s - "$f" || bad+=("$f")
    done
    if [ ${#bad[@]} -gt 0 ]; then
        printf 'not formatted (scripts/format.sh formats them): %s\n' "${bad[@]}" >&2
        exit 1
    fi
else
    clang-format -i "${files[@]}"
fi
