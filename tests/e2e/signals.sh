# SIGTERM and SIGINT end the demo within a second with exit code 0 at any moment: while the
# full-screen question is up (the box goes with it), right at the start, and in full screen
# during the show; no window and no process is left.
source "$(dirname "$0")/lib/common.sh"

# ends_on SIGNAL WHAT: SIGNAL sent to the demo ends it within a second, box windows included.
ends_on() {
    kill -s "$1" "$DEMO_PID"
    exits_cleanly 1 "SIG$1 $2"
    xwininfo -root -tree | grep -qF "\"$TITLE\":" && fail "a window is left after SIG$1 $2"
    pgrep -f "^$DEMO\$" >/dev/null && fail "a process is left after SIG$1 $2"
    return 0
}

for signal in TERM INT; do
    start_x 1280x1024x24 && launch_demo
    find_window "$TITLE" >/dev/null || fail "no full-screen question"
    ends_on "$signal" "with the question up"
done

start_windowed
ends_on TERM "right at the start"

yes_on 1024x768x24
demo_window "in full screen"
sleep 3
ends_on INT "in full screen during the show"
