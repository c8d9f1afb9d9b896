# Helpers for driving the demo under a private X server, sourced by the end-to-end scripts.
# Each script gets its own Xvfb (a free display number chosen by the server itself) and a
# scratch folder; both go away when the script exits, whatever the outcome.

E2E_TMP=$(mktemp -d)
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

# wait_for_window TITLE [SECONDS]: prints the id of the first viewable top-level window whose
# title is TITLE.
wait_for_window() {
    local deadline=$((SECONDS + ${2:-10}))
    while [ $SECONDS -le "$deadline" ]; do
        local id
        id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$1\":" '$2 == t || index($0, t) { print $1; exit }')
        if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# window_gone TITLE: true when no viewable window has that title.
window_gone() {
    ! xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\":"
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

# wait_exit SECONDS: waits for the demo to end; prints its exit code, or fails on timeout.
wait_exit() {
    local deadline
    deadline=$(($(date +%s%N) + $1 * 1000000000))
    while kill -0 "$DEMO_PID" 2>/dev/null; do
        [ "$(date +%s%N)" -lt "$deadline" ] || fail "demo still running after $1 s"
        sleep 0.02
    done
    wait "$DEMO_PID"
    local code=$?
    DEMO_PID=
    echo "$code"
}
