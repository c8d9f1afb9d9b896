# Answering No (Escape) to the full-screen question: a borderless 1024x768 window at (0, 0), black
# before the first scene. Pressing Escape alone does not end the program; releasing it does, with
# exit code 0: after a second and right at the start (no_sound.sh: without an audio device). A
# soundtrack that does not load: after "Loading..." the demo says "Error music load." and, once
# answered, ends with 0.
source "$(dirname "$0")/lib/common.sh"
start_windowed
xprop -id "$WINDOW" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x0' || fail "the window has decorations"
sleep 1
black_screen || fail "the screen is not black"
xdotool windowfocus "$WINDOW" keydown --window "$WINDOW" Escape
sleep 5  # and released while the title's cubes are drawn
demo_running || fail "pressing Escape alone ended the program"
xdotool keyup --window "$WINDOW" Escape
exits_cleanly 1 "releasing Escape"
start_windowed
press "$WINDOW" Escape
exits_cleanly 3 "releasing Escape at the start"

DEMO=$BUILD/quadrise-broken-music start_windowed dummy
answer Error Return "error message"
exits_cleanly 2 "answering the error message"
[ ! -s "$E2E_TMP/err" ] || fail "unexpected error output: $(cat "$E2E_TMP/err")"
