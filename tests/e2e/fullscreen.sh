# Answering Yes (Return) to the full-screen question. Where the display offers 1024x768 the
# window covers it; elsewhere, and where the display offers the mode but refuses to switch once
# the window is made (as it is made, or once it is shown), a second box offers windowed mode: Yes
# continues in the 1024x768 window at (0, 0), windowed, No shows the closing message and ends
# (without ever making a window where the mode was not offered). Nothing of the demo is on the
# screen while either box is up. All exit with 0.
source "$(dirname "$0")/lib/common.sh"

# windowed: whether WINDOW sits on the desktop rather than covering it in full screen. SDL gives a
# window of fixed size on the desktop the size hints of one (minimum = maximum); in full screen it
# has none.
windowed() { xprop -id "$WINDOW" WM_NORMAL_HINTS | grep -q 'maximum size: 1024 by 768'; }

yes_on 1024x768x24
demo_window "in full screen"
windowed && fail "a window on the desktop in full screen"
escape_ends 2 "Escape in full screen"
for screen in 1280x1024x24 "1024x768x24 refused" "1024x768x24 refused-on-show"; do
    [ "${screen#* }" != "$screen" ] && DEMO=$BUILD/quadrise-mode-${screen#* }
    yes_on "${screen% *}" Return
    demo_window "in the windowed fallback on $screen"
    windowed || fail "the window of the windowed fallback on $screen is in full screen"
    escape_ends 2 "Escape in the windowed fallback on $screen"
    yes_on "${screen% *}" Escape
    box=$(find_window ERROR) || fail "no closing message after declining windowed mode on $screen"
    [ "$DEMO" = "$BUILD/quadrise" ] && xwininfo -root -tree | grep -qF "\"$TITLE\":" && fail "a demo window exists on $screen"
    no_demo_window "behind the closing message on $screen"
    press "$box" Return
    exits_cleanly 2 "the closing message on $screen"
done
