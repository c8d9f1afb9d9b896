# Helpers for driving the demo under a private X server, sourced by the end-to-end scripts.
# Each script gets its own Xvfb (a free display number chosen by the server itself) and a
# scratch folder; both go away when the script exits, whatever the outcome.

E2E_TMP=$(mktemp -d)
# In a sanitizer build the X and Mesa libraries allocate for the life of the process from frames
# the leak checker cannot unwind; memory errors are still caught.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
XVFB_PID=
DEMO_PID=

e2e_cleanup() {
    [ -n "$DEMO_PID" ] && kill "$DEMO_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_xvfb GEOMETRY: starts the server and exports DISPLAY.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$E2E_TMP/display" \
        2>"$E2E_TMP/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$E2E_TMP/display" ] && break
        sleep 0.05
    done
    [ -s "$E2E_TMP/display" ] || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY=":$(head -n1 "$E2E_TMP/display")"
}

# window_line TITLE: the line of `xwininfo -root -tree` for the top-level window titled TITLE.
window_line() {
    xwininfo -root -tree 2>/dev/null | grep -F "\"$1\":" | head -n1
}

# wait_for_window TITLE SIZE [SECONDS]: prints the id of the viewable window titled TITLE whose
# geometry matches the extended regular expression SIZE (e.g. '1024x768\+0\+0').
wait_for_window() {
    local deadline=$((SECONDS + ${3:-10}))
    while [ $SECONDS -le "$deadline" ]; do
        local line id
        line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$1\":" | grep -E " $2 " | head -n1)
        id=$(echo "$line" | awk '{ print $1 }')
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# wait_for_box CAPTION [SECONDS]: the id of the first viewable window so captioned.
wait_for_box() {
    wait_for_window "$1" '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+' "${2:-10}"
}

# window_gone TITLE: true when no window has that title.
window_gone() {
    [ -z "$(window_line "$1")" ]
}

# screen_max X Y W H: the brightest channel value (0..1) in that rectangle of the screen.
screen_max() {
    import -window root -crop "${3}x${4}+${1}+${2}" "$E2E_TMP/shot.png" &&
        convert "$E2E_TMP/shot.png" -format '%[fx:maxima]' info:
}

# Window managers define the decoration hint; this server has none, so define the atom for the
# program to use, as a desktop would.
define_decoration_hint() {
    xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0
}

# press WINDOW KEY: focuses the window and types KEY (press and release).
press() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool key --window "$1" "$2"
}

# start_demo BINARY: runs the demo in the background with its output in the scratch folder.
start_demo() {
    "$1" >"$E2E_TMP/demo.out" 2>"$E2E_TMP/demo.err" &
    DEMO_PID=$!
}

# wait_exit SECONDS: waits for the demo to end and sets EXIT_CODE; false on timeout.
wait_exit() {
    local deadline
    deadline=$(($(date +%s%N) + $1 * 1000000000))
    while kill -0 "$DEMO_PID" 2>/dev/null && ! demo_finished; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.02
    done
    wait "$DEMO_PID"
    EXIT_CODE=$?
    DEMO_PID=
}

# demo_finished: true once the demo process is a zombie waiting to be reaped.
demo_finished() {
    [ "$(ps -o stat= -p "$DEMO_PID" 2>/dev/null | cut -c1)" = Z ]
}
