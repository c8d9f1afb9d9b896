# Answering Yes, then No (with Escape) to the windowed-mode offer: "Program Will Now Close."
# and exit code 0 without a demo window ever appearing.
build_dir=$1
source "$(dirname "$0")/lib/x11.sh"
TITLE="KOLMIRAS Quadrise-Trackmo"

start_xvfb 1280x1024x24
start_demo "$build_dir/quadrise"

box=$(wait_for_box "$TITLE") || fail "no full-screen question appeared"
press "$box" Return
fallback=$(wait_for_box "Quib GL") || fail "no windowed-mode offer after the failed mode switch"
press "$fallback" Escape
closing=$(wait_for_box "ERROR") || fail "no closing message"
window_gone "$TITLE" || fail "a window titled $TITLE exists: $(window_line "$TITLE")"
press "$closing" Return
wait_exit 2 || fail "the program did not end after the closing message"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE: $(cat "$E2E_TMP/demo.err")"
window_gone "$TITLE" || fail "a demo window appeared"
echo "fullscreen refused: closing message shown, no window, exit 0"
