# Answering Yes (Return) to the full-screen question. Where the display offers 1024x768 the
# window covers it; elsewhere a second box offers windowed mode: Yes continues in the 1024x768
# window at (0, 0), No shows the closing message and ends without a window. All exit with 0.
source "$(dirname "$0")/lib/common.sh"

# yes_on SCREEN [ANSWER]: a new demo on that screen answers Yes, then ANSWER to the windowed offer.
yes_on() {
    start_x "$1" && launch_demo
    box=$(find_window "$TITLE") || fail "no full-screen question on $1"
    press "$box" Return
    [ -z "$2" ] && return
    box=$(find_window "Quib GL") || fail "no windowed-mode offer after the failed mode switch"
    press "$box" "$2"
}

yes_on 1024x768x24
demo_window "in full screen"
escape_ends 2 "Escape in full screen"
yes_on 1280x1024x24 Return
demo_window "in the windowed fallback"
escape_ends 2 "Escape in the windowed fallback"
yes_on 1280x1024x24 Escape
box=$(find_window ERROR) || fail "no closing message after declining windowed mode"
xwininfo -root -tree | grep -qF "\"$TITLE\":" && fail "a demo window exists"
press "$box" Return
exits_cleanly 2 "the closing message"
