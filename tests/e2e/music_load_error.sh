# A soundtrack resource that does not load: after "Loading..." the demo says "Error music load."
# and, once that is answered, closes its window and ends with exit code 0.
source "$(dirname "$0")/lib/common.sh"
DEMO=$BUILD/quadrise-broken-music
start_demo 1280x1024x24
box=$(find_window "$TITLE") || fail "no full-screen question"
press "$box" Escape
box=$(find_window Error) || fail "no error message"
xwininfo -id "$box" -tree | grep -q . || fail "the error box has no content"
press "$box" Return
exits_cleanly 2 "answering the error message"
[ ! -s "$E2E_TMP/err" ] || fail "unexpected error output: $(cat "$E2E_TMP/err")"
