# Without the X core fonts SDL cannot draw its message boxes. The demo says so, one line on
# standard error naming the box, and goes on as if No had been answered: the 1024x768 window at
# (0, 0), which Escape ends with exit code 0.
source "$(dirname "$0")/lib/common.sh"
start_x 1280x1024x24
xset fp= built-ins
launch_demo
window=$(find_window "$TITLE" '1024x768\+0\+0') || fail "no window after the question that could not be shown"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q "cannot show the message box \"$TITLE\": ." "$E2E_TMP/err" ||
    fail "stderr: $(cat "$E2E_TMP/err")"
sleep 0.3
press "$window" Escape
exits_cleanly 2 "Escape"
