# Where the question cannot be shown. Without a display: one line naming the display on standard
# error, nothing on standard output, exit code 0. Without the X core fonts SDL cannot draw its
# message boxes: one line naming the box, and the demo goes on as if No had been answered, in the
# 1024x768 window at (0, 0), which Escape ends with exit code 0.
source "$(dirname "$0")/lib/common.sh"
env -u DISPLAY -u WAYLAND_DISPLAY "$BUILD/quadrise" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || fail "exit code $?"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q display "$E2E_TMP/err" || fail "stderr: $(cat "$E2E_TMP/err")"
[ ! -s "$E2E_TMP/out" ] || fail "unexpected output: $(cat "$E2E_TMP/out")"
start_x 1280x1024x24
xset fp= built-ins
launch_demo
demo_window "after the question that could not be shown"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q "cannot show the message box \"$TITLE\": ." "$E2E_TMP/err" ||
    fail "stderr: $(cat "$E2E_TMP/err")"
escape_ends 2 "Escape"
