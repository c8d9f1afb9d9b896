# quadrise-render module as a user runs it: usage errors, files it cannot play, and a real song
# rendered to 44100 Hz 16-bit stereo WAV that ends where the song first repeats.
source "$(dirname "$0")/lib/common.sh"
song=$2/tests/data/xm/lachesis-villgust-gaiden-menu.xm
out=$E2E_TMP/out.wav
head -c 1000 "$song" >"$E2E_TMP/truncated.xm"
expect 2 "missing -o" module song.xm
expect 2 "missing the module file" module -o "$out"
expect 2 "seconds" module song.xm -o "$out" --seconds 2.5s
expect 2 "seconds" module song.xm -o "$out" --seconds 0
expect 1 "cannot open" module "$E2E_TMP/absent.xm" -o "$out"
expect 1 "truncated at byte" module "$E2E_TMP/truncated.xm" -o "$out"
[ -e "$out" ] && fail "a failed render left an output file"
"$BUILD/quadrise-render" module "$song" -o "$out" | grep -q "x real time" || fail "no render speed reported"
"$BUILD/quadrise-render" module "$song" -o "$E2E_TMP/short.wav" --seconds 2.5 >/dev/null || fail "--seconds failed"
# The song plays its orders once in 17.86 s, then repeats: the render ends within a block of that.
read -r rate channels bits frames <<<"$(soxi -r "$out") $(soxi -c "$out") $(soxi -b "$out") $(soxi -s "$out")"
[ "$rate $channels $bits" = "44100 2 16" ] && [ "$frames" -ge 786000 ] && [ "$frames" -le 789000 ] ||
    fail "the song rendered to $frames frames of $rate Hz, $channels channels, $bits bits"
[ "$(soxi -s "$E2E_TMP/short.wav")" = 110250 ] || fail "--seconds 2.5 gave $(soxi -s "$E2E_TMP/short.wav") frames"
echo PASS
