#!/bin/bash
# quadrise-render instruments as a user runs it: a folder that does not exist yet is made (with
# its parents) and gets the six instruments as mono 44100 Hz 16-bit WAV files of the lengths the
# soundtrack declares; a folder that cannot be made is refused with one line and exit code 1.
# Arguments: BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/common.sh"
render="$BUILD/quadrise-render"

"$render" instruments "$E2E_TMP/new/deeper" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || fail "render failed: $(cat "$E2E_TMP/err")"
frames=(22050 22050 22050 26460 22050 114660)
for k in 0 1 2 3 4 5; do
    wav="$E2E_TMP/new/deeper/instrument-$k.wav"
    [ "$(soxi -r "$wav") $(soxi -c "$wav") $(soxi -b "$wav") $(soxi -s "$wav")" = "44100 1 16 ${frames[$k]}" ] ||
        fail "instrument $k: $(soxi "$wav" 2>&1)"
    peak=$(sox "$wav" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
    awk -v p="$peak" 'BEGIN { exit !(p > 0.05) }' || fail "instrument $k is silent (peak $peak)"
done

touch "$E2E_TMP/file"
"$render" instruments "$E2E_TMP/file/sub" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
[ $? = 1 ] && [ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q "cannot make the folder" "$E2E_TMP/err" ||
    fail "a folder under a file: $(cat "$E2E_TMP/err")"
echo PASS
