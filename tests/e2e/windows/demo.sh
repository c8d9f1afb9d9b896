# The Windows demo under wine (arguments LINUX_BUILD SOURCE_DIR EXE [sound]), as a person would
# run it.
# "No" (Escape) to the question: the 1024x768 window at (0, 0); the sound it sends, captured from
# a PulseAudio null sink, is the Linux offline render sample for sample (wine's device may play
# silence between them), and a frame on the screen is the one quadrise-render draws for the
# music time then; releasing Escape ends it with 0, nothing left running. "Yes" (Return) where
# the display can add 1024x768 switches to it and back at exit; where the display offers the mode
# but refuses the switch, nothing of the demo shows behind the offer of windowed mode or the
# closing message, and Yes runs it windowed; where it cannot, the program's own offer of windowed
# mode, declined, ends it. A window class the system refuses gets its own message, right after
# the question, and ends it. Without a sound device it plays in silence with one line on standard
# error saying why, its first title on the screen at its time; the test build beside it whose
# clock runs eight times as fast (quadrise-fast-clock.exe) plays the whole show so and ends by
# itself once the clock reaches 157 s. The module builder beside the demo writes over a file of
# its output's name (a plain rename refuses to on Windows), the same module as the Linux build's.
# With "sound", only the sound of the windowed run and Escape's clean exit: the checks another
# build of the same platform code (the 32-bit one, which may run under emulation) needs.
source "$2/tests/e2e/lib/common.sh"
root=$(cd "$2" && pwd) && source "$root/scripts/wine.sh"
EXE=$(realpath "$3")
trap 'kill $DEMO_PID $PAREC_PID $PULSE_PID $XVFB_PID 2>/dev/null; wine_stop; wait; rm -rf "$E2E_TMP"' EXIT
launch_demo() { "$wine64" "$EXE" >"$E2E_TMP/out" 2>"$E2E_TMP/err" & DEMO_PID=$!; }
# wine's own complaints (no ALSA card, its fixme and err lines) are left out of a failure's report.
fail() { echo "FAIL: $* (stderr: $(grep -v '^ALSA\|err:' "$E2E_TMP/err" 2>/dev/null))" >&2; exit 1; }
# A program under wine runs as a process named by its path, a 32-bit one by the path's Windows
# form (Z:\...); under qemu that name follows the emulator's own arguments.
demo_processes() {
    ps -eo args | EXE_WINDOWS="Z:${EXE//\//\\}" awk -v exe="$EXE" '{ n = $1 ~ /-binfmt-P$/ ? NF : 1 }
        { for (i = 1; i <= n; i++) if ($i == exe || $i == ENVIRON["EXE_WINDOWS"]) print }'
}
# nothing_left: no demo process within 5 s of the program's end. wine reports a program ended
# once its threads have; the process itself may take a moment longer to go, seconds under qemu.
nothing_left() {
    for _ in $(seq 50); do [ -z "$(demo_processes)" ] && return 0; sleep 0.1; done
    fail "a demo process is left running"
}
# start_x SCREEN: as for Linux, with wine's desktop started afresh on the new display (a desktop
# started without one, or on a server now gone, has no display driver).
eval "linux_$(declare -f start_x | sed 's|${BASH_SOURCE\[0\]%/\*}|$root/tests/e2e/lib|')"
start_x() { wine_stop; linux_start_x "$1"; wine_warm; }
screen_mode() { xrandr | awk '/current/ { print $8 "x" $10 }' | tr -d ,; }
# mode_back MODE WHAT: the display runs MODE again within 5 s of WHAT. The program restores the
# mode as it ends; once, on a loaded machine, the display still ran the full-screen mode at the
# moment wine reported the program ended.
mode_back() {
    for _ in $(seq 50); do [ "$(screen_mode)" = "$1" ] && return 0; sleep 0.1; done
    fail "the display stays at $(screen_mode) $2"
}

# start_sound: a private PulseAudio server whose null sink plays in real time, recorded into
# $E2E_TMP/heard.raw from its monitor.
start_sound() {
    mkdir -m 700 "$E2E_TMP/pulse"
    export XDG_RUNTIME_DIR=$E2E_TMP/pulse PULSE_SERVER=unix:$E2E_TMP/pulse/native
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        -L "module-native-protocol-unix socket=$E2E_TMP/pulse/native auth-anonymous=1" \
        -L "module-null-sink sink_name=capture rate=44100 channels=2 format=s16le norewinds=1" >/dev/null 2>&1 &
    PULSE_PID=$!
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    parec -d capture.monitor --raw --format=s16le --rate=44100 --channels=2 >"$E2E_TMP/heard.raw" &
    PAREC_PID=$!
}
heard() { stat -c %s "$E2E_TMP/heard.raw"; }
# samples FILE: its 16-bit samples from the frame of its first sound on, one a line.
samples() { local at=$(($(first_sound "$1") - 1)); tail -c +$((at - at % 4 + 1)) "$1" | od -An -v -td2 -w2; }
# same_sound HEARD RENDER N: the first N samples of the render's sound all reach the device, in
# order, with nothing between them but silence: wine's device plays zeros while it waits for a
# late mixing thread, which a loaded machine makes now and then.
same_sound() {
    awk -v n="$3" 'BEGIN { j = 1 } NR == FNR { if (FNR <= n) r[FNR] = $1; next }
        !bad && j <= n { if ($1 == r[j]) j++; else if ($1 != 0) bad = 1 } END { exit bad || j <= n }' \
        <(samples "$2") <(samples "$1")
}

SOUND_ONLY=$([ "$4" = sound ] && echo true || echo false)
"$BUILD/quadrise-render" soundtrack -o "$E2E_TMP/render.wav" --seconds 12 >/dev/null || fail "rendering the soundtrack failed"
sox "$E2E_TMP/render.wav" -t s16 "$E2E_TMP/render.raw"
"$BUILD/show-clock" >"$E2E_TMP/clock" || fail "show-clock failed"
start_sound
start_windowed
until [ -n "$(first_sound "$E2E_TMP/heard.raw")" ] && [ "$(heard)" -ge $(($(first_sound "$E2E_TMP/heard.raw") + 9 * 176400)) ]; do
    demo_running || fail "the program ended before 9 s of sound"; sleep 0.05
done
$SOUND_ONLY || snap heard
same_sound "$E2E_TMP/heard.raw" "$E2E_TMP/render.raw" $((8 * 88200)) || fail "the device got other sound than the render"
$SOUND_ONLY || shows_clock_of $(((SNAP - $(first_sound "$E2E_TMP/heard.raw") + $(first_sound "$E2E_TMP/render.raw")) / 3536)) "$E2E_TMP/clock" "after 9 s of sound"
escape_ends 5 "releasing Escape"
nothing_left
$SOUND_ONLY && echo PASS && exit 0

echo "an older file" >"$E2E_TMP/module.xm"
"$wine64" "$(dirname "$EXE")/soundtrack-build.exe" "$root/resources/MUSIC/XMMOD.xmt" "$E2E_TMP/module.xm" </dev/null &&
    cmp -s "$E2E_TMP/module.xm" "$BUILD/quadrise_resources_built/MUSIC/XMMOD.xm" || fail "the module builder did not replace its output"

# Full screen on a display that can switch to 1024x768, and on one that cannot.
start_x 1280x1024x24
xrandr --newmode 1024x768 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
xrandr --addmode screen 1024x768
yes_on ""
demo_window "in full screen"
[ "$(screen_mode)" = 1024x768 ] || fail "the display runs $(screen_mode) in full screen"
escape_ends 5 "Escape in full screen"
mode_back 1280x1024 "after the end"
# wine keeps the display modes its desktop found when it started: with 1024x768 taken away after
# that, the mode is still offered and the switch is refused once the window exists. Nothing of the
# demo is on the screen behind the offer of windowed mode (yes_on) or the closing message; Yes
# shows the window in the display's own mode.
wine_stop && wine_warm
xrandr --delmode screen 1024x768
yes_on "" Return
demo_window "in the windowed fallback after the refused switch"
[ "$(screen_mode)" = 1280x1024 ] || fail "the display runs $(screen_mode) in the windowed fallback"
escape_ends 5 "Escape in the windowed fallback"
yes_on "" n
box=$(find_window ERROR) || fail "no closing message after declining windowed mode on the refused switch"
no_demo_window "behind the closing message"
press "$box" Return
exits_cleanly 5 "the closing message on the refused switch"
yes_on 1280x1024x24 n
answer ERROR Return "closing message after declining windowed mode"
exits_cleanly 5 "the closing message"

# A window class of the demo's name that the system holds already (quadrise-class-taken.exe): the
# question answered Yes, then the registration's own message before any word of the display mode,
# and the end. wine's trace names each box by its text.
WINEDEBUG=$WINEDEBUG,trace+msgbox EXE=$(dirname "$EXE")/quadrise-class-taken.exe yes_on ""
answer ERROR Return "message when the window class is refused"
exits_cleanly 5 "the message of the refused window class"
[ "$(sed -n 's/.*:MSGBOX_OnInit L//p' "$E2E_TMP/err")" = '"1024x768 fullscreen?."
"Failed To Register The Window Class."' ] || fail "other boxes with the window class taken: $(grep MSGBOX "$E2E_TMP/err")"

# No sound device: the show in silence, with one line of the program's own on standard error.
kill $PAREC_PID $PULSE_PID && unset PULSE_SERVER
silent_title_on_time "$E2E_TMP/clock"
escape_ends 5 "Escape without sound"
grep -q "^quadrise: no sound: cannot open the audio device" "$E2E_TMP/err" || fail "stderr without sound: $(cat "$E2E_TMP/err")"
nothing_left
EXE=$(dirname "$EXE")/quadrise-fast-clock.exe
silent_show_ends 8 "$E2E_TMP/clock"
nothing_left
echo PASS
