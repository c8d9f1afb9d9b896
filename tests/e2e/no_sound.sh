# Without a sound device the demo plays its show in silence, with one line on standard error
# saying why: its pictures follow the music clock as if the music were heard, so the first title
# is on the screen at its time; releasing Escape ends it. The whole show, played by the test build
# whose clock runs eight times as fast (quadrise-fast-clock), ends by itself once the music clock
# reaches 157 s, with exit code 0.
source "$(dirname "$0")/lib/common.sh"
"$BUILD/show-clock" >"$E2E_TMP/clock" || fail "show-clock failed"  # line b + 1: the clock while block b plays
silent_title_on_time "$E2E_TMP/clock" no-such-driver
[ "$(xwininfo -root -tree | grep -c '"Error"')" = 0 ] || fail "a message box without sound"
escape_ends 2 "releasing Escape without sound"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q "cannot open the audio device" "$E2E_TMP/err" ||
    fail "stderr without sound: $(cat "$E2E_TMP/err")"

DEMO=$BUILD/quadrise-fast-clock silent_show_ends 8 "$E2E_TMP/clock" no-such-driver
echo PASS
