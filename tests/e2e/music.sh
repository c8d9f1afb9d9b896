# The demo's sound end to end. What it hands the audio device (SDL's disk driver records it) is,
# byte for byte over the first 20 s, what quadrise-render soundtrack renders. Without an audio
# device it runs silent on a black screen with one line on standard error saying why. Releasing
# Escape ends it with exit code 0 while loading, while playing and without sound.
source "$(dirname "$0")/lib/common.sh"
seconds=20
bytes=$((seconds * 44100 * 4))

# start_windowed DRIVER: the demo with that audio driver, the full-screen question answered No.
start_windowed() {
    export SDL_AUDIODRIVER=$1
    start_demo 1280x1024x24
    box=$(find_window "$TITLE") || fail "no full-screen question ($1)"
    press "$box" Escape
    window=$(find_window "$TITLE" '1024x768\+0\+0') || fail "no demo window ($1)"
}

"$BUILD/quadrise-render" soundtrack -o "$E2E_TMP/render.wav" --seconds $seconds >/dev/null \
    2>"$E2E_TMP/render.err" || fail "quadrise-render soundtrack: $(cat "$E2E_TMP/render.err")"
sox "$E2E_TMP/render.wav" -t s16 "$E2E_TMP/render.raw"
[ "$(stat -c %s "$E2E_TMP/render.raw")" = $bytes ] || fail "the render is not $seconds s long"

export SDL_DISKAUDIOFILE=$E2E_TMP/heard.raw
start_windowed disk
for _ in $(seq 600); do
    [ "$(stat -c %s "$SDL_DISKAUDIOFILE" 2>/dev/null || echo 0)" -gt $((bytes + 176400)) ] && break
    sleep 0.1
done
press "$window" Escape
exits_cleanly 2 "releasing Escape after $seconds s of music"
# The device plays silence until the ring is handed to it; the music starts at the first sound.
first() { cmp "$1" /dev/zero 2>/dev/null | awk '{ print $5 + 0 }'; }
lead=$(($(first "$SDL_DISKAUDIOFILE") - $(first "$E2E_TMP/render.raw")))
[ $((lead % 4)) = 0 ] && [ $lead -ge 0 ] || fail "the sound starts at an odd place ($lead)"
cmp -n $bytes -i $lead:0 "$SDL_DISKAUDIOFILE" "$E2E_TMP/render.raw" ||
    fail "the device got other sound than the render"

start_windowed nosuchdriver
sleep 1
[ "$(xwininfo -root -tree | grep -c '"Error"')" = 0 ] || fail "a message box appeared without sound"
import -window root -crop 1024x768+0+0 "$E2E_TMP/shot.png"
[ "$(convert "$E2E_TMP/shot.png" -format '%[fx:maxima]' info:)" = 0 ] || fail "the screen is not black"
press "$window" Escape
exits_cleanly 2 "releasing Escape without sound"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q "audio" "$E2E_TMP/err" ||
    fail "stderr without sound: $(cat "$E2E_TMP/err")"

# Escape as soon as the window shows: released while loading or just after.
start_windowed dummy
press "$window" Escape
exits_cleanly 3 "releasing Escape at the start"
