# For the end-to-end scripts (arguments BUILD_DIR SOURCE_DIR): the demo on a private Xvfb, driven
# as a person would. X and Mesa keep allocations the leak checker cannot unwind.
BUILD=$1
E2E_TMP=$(mktemp -d)
TITLE="KOLMIRAS Quadrise-Trackmo"
DEMO=$BUILD/quadrise
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# Sound plays in real time into nothing, unless a script picks another driver.
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
trap 'kill $DEMO_PID $XVFB_PID 2>/dev/null; wait; rm -rf "$E2E_TMP"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# start_x SCREEN: a new Xvfb of that size (ending the last) as DISPLAY, with a desktop's decoration hint.
start_x() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID"
    bash "${BASH_SOURCE[0]%/*}/x_server.sh" start "$E2E_TMP/x" "$1" >/dev/null || fail "no Xvfb on $1"
    read -r DISPLAY XVFB_PID <"$E2E_TMP/x" && export DISPLAY
    xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0
}

# launch_demo: $DEMO (the demo, or a test build of it) on DISPLAY, its output in $E2E_TMP/out, err.
launch_demo() { "$DEMO" >"$E2E_TMP/out" 2>"$E2E_TMP/err" & DEMO_PID=$!; }

# find_window TITLE [GEOMETRY]: a viewable window so titled (and placed: '1024x768\+0\+0'), in 10 s.
find_window() {
    for _ in $(seq 100); do
        local id=$(xwininfo -root -tree | grep -F "\"$1\":" | grep -E " ${2:-[0-9x+]+} " | awk 'NR == 1 { print $1 }')
        [ -n "$id" ] && xwininfo -id "$id" | grep -q IsViewable && echo "$id" && return 0
        sleep 0.1
    done
    return 1
}

# no_demo_window WHEN: fails when a 1024x768 window of the demo at (0, 0) is on the screen WHEN.
no_demo_window() {
    local id
    for id in $(xwininfo -root -tree | grep -F "\"$TITLE\":" | grep -E ' 1024x768\+0\+0 ' | awk '{ print $1 }'); do
        xwininfo -id "$id" | grep -q IsViewable && fail "a demo window is on the screen $1"
    done
    return 0
}

press() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; xdotool key --window "$1" "$2"; }

# answer TITLE KEY WHAT: KEY pressed in the box so titled (found within 10 s, or "no WHAT").
answer() { local box; box=$(find_window "$1") || fail "no $3"; press "$box" "$2"; }

# demo_window WHEN: the demo's 1024x768 window at (0, 0) as WINDOW.
demo_window() { WINDOW=$(find_window "$TITLE" '1024x768\+0\+0') || fail "no 1024x768 window at (0, 0) $1"; }

# start_windowed [DRIVER]: the demo (with that audio driver) on a 1280x1024 screen, the full-screen
# question answered No; its 1024x768 window at (0, 0) as WINDOW.
start_windowed() {
    export SDL_AUDIODRIVER=${1:-$SDL_AUDIODRIVER}
    start_x 1280x1024x24 && launch_demo
    answer "$TITLE" Escape "full-screen question"
    demo_window "after No"
}

# yes_on SCREEN [ANSWER]: a new demo on that screen (on the display as it is, when SCREEN is empty)
# answers Yes, then ANSWER to the windowed offer, behind which nothing of the demo may show.
yes_on() {
    if [ -n "$1" ]; then start_x "$1"; fi
    launch_demo
    answer "$TITLE" Return "full-screen question on ${1:-the display}"
    [ -z "$2" ] && return
    box=$(find_window "Quib GL") || fail "no windowed-mode offer after the failed mode switch"
    no_demo_window "behind the windowed-mode offer"
    press "$box" "$2"
}

demo_running() { ps -o stat= -p "$DEMO_PID" | grep -q '^[^Z]'; }

# exits_cleanly SECONDS WHAT: the demo ends within SECONDS of WHAT, with exit code 0.
exits_cleanly() {
    local deadline=$(($(date +%s%N) + $1 * 1000000000))
    while demo_running && [ "$(date +%s%N)" -lt "$deadline" ]; do sleep 0.02; done
    demo_running && fail "the program still runs $1 s after $2"
    wait "$DEMO_PID" || fail "exit code $? after $2: $(cat "$E2E_TMP/err")"
    DEMO_PID=
}

# escape_ends SECONDS WHAT: a moment on, Escape pressed and released in WINDOW; then exits_cleanly.
escape_ends() {
    sleep 0.3
    press "$WINDOW" Escape
    exits_cleanly "$@"
}

# shows_clock_of BLOCK CLOCKS WHAT [SCREEN]: SCREEN ($E2E_TMP/screen.png) is the frame
# quadrise-render frame draws for the clock of block BLOCK (line BLOCK + 1 of CLOCKS) or of one up
# to 100 blocks (2 s) before it: the screen shows a frame drawn with the clock read a frame or two
# before it was read. frame-match draws and compares them in one process.
shows_clock_of() {
    "$BUILD/frame-match" "${4:-$E2E_TMP/screen.png}" "$2" "$1" >/dev/null ||
        fail "$3: no frame of the clock up to 100 blocks (2 s) back is on the screen"
}

# start_silent [DRIVER]: start_windowed, then waits for the demo's line on standard error that it
# plays without sound, which it writes right after its silent device has started; SILENT_SINCE is
# then the time (in ns) the line was seen: the music time is the time since then, or a little more.
start_silent() {
    start_windowed "$1"
    for _ in $(seq 1000); do
        grep -q "^quadrise: no sound: " "$E2E_TMP/err" && SILENT_SINCE=$(date +%s%N) && return 0
        demo_running || fail "the program ended before its music started"
        sleep 0.01
    done
    fail "no line on standard error about the missing sound"
}

# silent_music_block: the block the silent device plays now, at the latest (100 ms allowed for
# the line reaching the script).
silent_music_block() { echo $((($(date +%s%N) - SILENT_SINCE + 100000000) * 44100 / 884 / 1000000000)); }

# silent_title_on_time CLOCKS [DRIVER]: start_silent; 9 s after the silent music started the
# screen shows the frame of the clock then (line BLOCK + 1 of CLOCKS, from show-clock): the first
# title, in step with the music as if it were heard.
silent_title_on_time() {
    start_silent "$2"
    until [ $(($(date +%s%N) - SILENT_SINCE)) -ge 9000000000 ]; do
        demo_running || fail "the program ended before the first title"; sleep 0.01
    done
    snap silent_music_block
    shows_clock_of "$SNAP" "$1" "the first title without sound"
}

# silent_show_ends SPEED CLOCKS [DRIVER]: start_silent; the show, whose music clock runs SPEED
# times as fast as the wall clock, ends by itself with exit code 0 when the clock reaches 157 s (in
# the last block of CLOCKS): not before, and within 5 s after.
silent_show_ends() {
    start_silent "$3"
    local last_block_ms=$((($(wc -l <"$2") - 1) * 884 * 1000 / 44100 / $1))
    while demo_running; do
        [ $(($(date +%s%N) - SILENT_SINCE)) -le $(((last_block_ms + 5000) * 1000000)) ] ||
            fail "the show runs on 5 s after its clock reached 157 s"
        sleep 0.01
    done
    local ended_ms=$((($(date +%s%N) - SILENT_SINCE) / 1000000 + 100))
    [ $ended_ms -ge $last_block_ms ] || fail "the show ended at $ended_ms ms, before its clock reached 157 s at $last_block_ms ms"
    wait "$DEMO_PID" || fail "exit code $? at the end of the show: $(cat "$E2E_TMP/err")"
    DEMO_PID=
}

# snap COMMAND...: the screen into $E2E_TMP/screen.png and COMMAND's output into SNAP, the demo
# stopped meanwhile: it can neither draw nor take sound while its screen is read.
snap() { demo_running && kill -STOP "$DEMO_PID" || fail "the program ended before its screen was read"; import -window root -crop 1024x768+0+0 "$E2E_TMP/screen.png"; SNAP=$("$@"); kill -CONT "$DEMO_PID"; }

black_screen() { [ "$(import -window root -crop 1024x768+0+0 png:- | convert - -format '%[fx:maxima]' info:)" = 0 ]; }

# first_sound FILE: the offset of its first byte that is not 0.
first_sound() { cmp "$1" /dev/zero 2>/dev/null | awk '{ print $5 + 0 }'; }

# expect CODE MESSAGE ARGS...: quadrise-render ARGS exits with CODE and one stderr line saying MESSAGE.
expect() {
    "$BUILD/quadrise-render" "${@:3}" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
    local got=$?
    [ "$got" = "$1" ] && [ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q -- "$2" "$E2E_TMP/err" ||
        fail "${*:3}: exit $got, wanted $1 and '$2' in one line: $(cat "$E2E_TMP/err")"
}
