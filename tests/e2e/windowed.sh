# Answering No (with Escape) to the full-screen question: the borderless 1024x768 window at
# (0, 0), a black screen while the music clock stays 0, and releasing Escape ends the program
# with exit code 0 within a second.
build_dir=$1
source "$(dirname "$0")/lib/x11.sh"
TITLE="KOLMIRAS Quadrise-Trackmo"

start_xvfb 1280x1024x24
define_decoration_hint
start_demo "$build_dir/quadrise"

box=$(wait_for_box "$TITLE") || fail "no full-screen question appeared"
press "$box" Escape
window=$(wait_for_window "$TITLE" '1024x768\+0\+0') || fail "no 1024x768 window at (0, 0): $(window_line "$TITLE")"
xwininfo -id "$window" | grep -q 'Absolute upper-left X:  0' || fail "window not at x 0"
xwininfo -id "$window" | grep -q 'Absolute upper-left Y:  0' || fail "window not at y 0"
# Borderless: the window asks the desktop for no decorations at all.
xprop -id "$window" _MOTIF_WM_HINTS | grep -qE '= 0x2, 0x0' || fail "window is not borderless: $(xprop -id "$window" _MOTIF_WM_HINTS)"

sleep 1
brightest=$(screen_max 0 0 1024 768) || fail "no screenshot"
[ "$brightest" = 0 ] || fail "screen not black while waiting for the music (brightest $brightest)"

xdotool windowfocus "$window"
xdotool keydown --window "$window" Escape
sleep 0.3
kill -0 "$DEMO_PID" 2>/dev/null || fail "pressing Escape alone ended the program"
start=$(date +%s%N)
xdotool keyup --window "$window" Escape
wait_exit 1 || fail "releasing Escape did not end the program within a second"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE: $(cat "$E2E_TMP/demo.err")"
window_gone "$TITLE" || fail "window still there after exit"
echo "windowed: window 1024x768+0+0, black, Escape release ended it in ${elapsed_ms} ms, exit 0"
