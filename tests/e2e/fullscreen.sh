# Answering Yes on a display that offers 1024x768: the full-screen window covers the screen at
# (0, 0); releasing Escape ends the program with exit code 0.
build_dir=$1
source "$(dirname "$0")/lib/x11.sh"
TITLE="KOLMIRAS Quadrise-Trackmo"

start_xvfb 1024x768x24
start_demo "$build_dir/quadrise"

box=$(wait_for_box "$TITLE") || fail "no full-screen question appeared"
press "$box" Return
window=$(wait_for_window "$TITLE" '1024x768\+0\+0') || fail "no full-screen window: $(window_line "$TITLE")"
window_gone "Quib GL" || fail "the mode switch was refused"
sleep 0.3
press "$window" Escape
wait_exit 2 || fail "Escape did not end the program"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE: $(cat "$E2E_TMP/demo.err")"
echo "fullscreen: window 1024x768+0+0, exit 0"
