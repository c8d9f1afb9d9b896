# quadrise-render instruments as a user runs it: a folder that does not exist yet is made (with
# its parents) and gets the six instruments as mono 44100 Hz 16-bit WAV files of the lengths the
# soundtrack declares, none silent; a folder that cannot be made is refused with one line.
source "$(dirname "$0")/lib/common.sh"
"$BUILD/quadrise-render" instruments "$E2E_TMP/new/deeper" >/dev/null || fail "render failed"
frames=(22050 22050 22050 26460 22050 114660)
for k in 0 1 2 3 4 5; do
    wav="$E2E_TMP/new/deeper/instrument-$k.wav"
    [ "$(soxi -r "$wav") $(soxi -c "$wav") $(soxi -b "$wav") $(soxi -s "$wav")" = "44100 1 16 ${frames[$k]}" ] ||
        fail "instrument $k: $(soxi "$wav" 2>&1)"
    sox "$wav" -n stat 2>&1 | awk '/Maximum amplitude/ { exit !($3 > 0.05) }' || fail "instrument $k is silent"
done
touch "$E2E_TMP/file"
expect 1 "cannot make the folder" instruments "$E2E_TMP/file/sub"
echo PASS
