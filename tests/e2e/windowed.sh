# Answering No (Escape) to the full-screen question: a borderless 1024x768 window at (0, 0) and a
# black screen while the music clock stays 0. Pressing Escape alone does not end the program;
# releasing it does, within a second, with exit code 0.
source "$(dirname "$0")/lib/common.sh"
start_demo 1280x1024x24
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0  # the decoration hint a desktop defines
box=$(find_window "$TITLE") || fail "no full-screen question"
press "$box" Escape
window=$(find_window "$TITLE" '1024x768\+0\+0') || fail "no 1024x768 window at (0, 0)"
xprop -id "$window" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x0' || fail "the window has decorations"
sleep 1
import -window root -crop 1024x768+0+0 "$E2E_TMP/shot.png"
[ "$(convert "$E2E_TMP/shot.png" -format '%[fx:maxima]' info:)" = 0 ] || fail "the screen is not black"
xdotool windowfocus "$window" keydown --window "$window" Escape
sleep 0.3
demo_running || fail "pressing Escape alone ended the program"
xdotool keyup --window "$window" Escape
exits_cleanly 1 "releasing Escape"
