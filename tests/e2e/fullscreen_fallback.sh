# Answering Yes (with Return) on a display without a 1024x768 mode: the second box offers
# windowed mode, and Yes continues with the same window as answering No at first.
build_dir=$1
source "$(dirname "$0")/lib/x11.sh"
TITLE="KOLMIRAS Quadrise-Trackmo"

start_xvfb 1280x1024x24
start_demo "$build_dir/quadrise"

box=$(wait_for_box "$TITLE") || fail "no full-screen question appeared"
press "$box" Return
fallback=$(wait_for_box "Quib GL") || fail "no windowed-mode offer after the failed mode switch"
press "$fallback" Return
window=$(wait_for_window "$TITLE" '1024x768\+0\+0') || fail "no 1024x768 window at (0, 0): $(window_line "$TITLE")"
sleep 0.3
press "$window" Escape
wait_exit 2 || fail "Escape did not end the program"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE: $(cat "$E2E_TMP/demo.err")"
echo "fullscreen fallback: offered windowed mode, continued windowed, exit 0"
