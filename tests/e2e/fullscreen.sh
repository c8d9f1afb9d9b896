# Answering Yes (Return) to the full-screen question. Where the display offers 1024x768 the
# window covers it; elsewhere, and where the display offers the mode but refuses to switch when
# the window appears, a second box offers windowed mode: Yes continues in the 1024x768 window at
# (0, 0), No shows the closing message and ends (without ever making a window where the mode was
# not offered; the refused switch comes after the window is made). All exit with 0.
source "$(dirname "$0")/lib/common.sh"

yes_on 1024x768x24
demo_window "in full screen"
escape_ends 2 "Escape in full screen"
for screen in 1280x1024x24 "1024x768x24 refused"; do
    [ "${screen#* }" = refused ] && DEMO=$BUILD/quadrise-mode-refused
    yes_on "${screen% *}" Return
    demo_window "in the windowed fallback on $screen"
    escape_ends 2 "Escape in the windowed fallback on $screen"
    yes_on "${screen% *}" Escape
    box=$(find_window ERROR) || fail "no closing message after declining windowed mode on $screen"
    [ "$DEMO" = "$BUILD/quadrise" ] && xwininfo -root -tree | grep -qF "\"$TITLE\":" && fail "a demo window exists on $screen"
    press "$box" Return
    exits_cleanly 2 "the closing message on $screen"
done
