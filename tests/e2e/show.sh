# The whole show as a person watches it: "No" to the question, then the demo runs by itself. At a
# moment well inside each scene the screen shows what quadrise-render frame draws for the music
# time then; the device gets the soundtrack's offline render byte for byte; and the program ends
# by itself, with exit code 0, once the music clock has reached 157 s.
# SDL's disk driver stands in for a sound card: a null device that records, and what it has taken
# gives the true music time (wall-clock estimates drift by seconds). It takes a 512-frame chunk
# every 2 ms rather than every 11.6, so the show runs at about five times its pace: the demo
# follows the device, whatever its pace, and the mixing thread, polling every 5 ms, keeps the ring
# of 2 s of sound full. The screens are read as the show plays and compared with the frames once
# it has ended, two at a time: compared meanwhile, they would hold up the next moment's reading.
source "$(dirname "$0")/lib/common.sh"
export SDL_DISKAUDIODELAY=2
block=3536  # bytes of one 884-frame block
# The device has taken up to 4096 bytes more than the file shows: the 2048-byte chunk it is
# writing, and one more that SDL's stdio stream keeps in its 4096-byte buffer (the file grows
# 4096 bytes at a time).
ahead=4096
clock=$E2E_TMP/clock
"$BUILD/show-clock" >"$clock" || fail "show-clock failed"  # line b + 1: the clock while block b plays
"$BUILD/quadrise-render" soundtrack -o "$E2E_TMP/render.wav" >/dev/null || fail "rendering the soundtrack failed"
sox "$E2E_TMP/render.wav" -t s16 "$E2E_TMP/render.raw"
export SDL_DISKAUDIOFILE=$E2E_TMP/heard.raw
heard() { stat -c %s "$SDL_DISKAUDIOFILE" 2>/dev/null || echo 0; }
start_windowed disk
for moment in title:9000 palette_a:50000 palette_b:65000 tilted:82500 bands:98500 trail:113000 \
    far_bands:131000 spinning:150000; do
    name=${moment%:*}
    due=$(awk -v ms="${moment#*:}" -v block=$block '$1 >= ms { print NR * block; exit }' "$clock")
    until [ "$(heard)" -ge "$due" ]; do demo_running || fail "the program ended before $name"; sleep 0.05; done
    snap heard
    mv "$E2E_TMP/screen.png" "$E2E_TMP/screen-$name.png"
    lead=${lead:-$(($(first_sound "$SDL_DISKAUDIOFILE") - $(first_sound "$E2E_TMP/render.raw")))}
    screens+=("$name $(((SNAP - lead + ahead) / block))")
done
exits_cleanly 30 "the last moment"
# check_screens FIRST: every other moment's screen from moment FIRST on.
check_screens() {
    for ((i = $1; i < ${#screens[@]}; i += 2)); do
        read -r name at <<<"${screens[i]}"
        shows_clock_of "$at" "$clock" "$name" "$E2E_TMP/screen-$name.png"
    done
}
check_screens 0 & even=$!
check_screens 1 & odd=$!
wait $even && wait $odd || fail "a moment's screen shows no frame of its clock (above)"
played=$(($(heard) - lead))
blocks=$(wc -l <"$clock")
[ $((lead % 4)) = 0 ] && [ $lead -ge 0 ] || fail "the sound starts at an odd place ($lead)"
cmp -n $((played < blocks * block ? played : blocks * block)) -i $lead:0 "$SDL_DISKAUDIOFILE" "$E2E_TMP/render.raw" ||
    fail "the device got other sound than the render"
# The last block is the first whose clock reads 157 s: the program ends while or soon after it plays.
[ $((played + ahead)) -ge $(((blocks - 1) * block)) ] && [ $played -le $(((blocks + 100) * block)) ] ||
    fail "the program ended after $((played / block)) blocks of sound; the clock reaches 157 s in block $blocks"
echo PASS
