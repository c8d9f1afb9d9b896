#!/bin/bash
# quadrise-render module as a user runs it: usage errors, files it cannot play, and a real song
# rendered to 44100 Hz 16-bit stereo WAV that ends where the song first repeats.
# Arguments: BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/common.sh"
source=$2
render="$BUILD/quadrise-render"
tmp=$E2E_TMP

# expect CODE MESSAGE ARGS...: runs the command, checks its exit code and that stderr names MESSAGE.
expect() {
    local code=$1 message=$2
    shift 2
    "$render" module "$@" >"$tmp/out" 2>"$tmp/err"
    local got=$?
    [ "$got" -eq "$code" ] || fail "module $*: exit $got, wanted $code ($(cat "$tmp/err"))"
    grep -q -- "$message" "$tmp/err" || fail "module $*: '$message' not in: $(cat "$tmp/err")"
}

expect 2 "missing -o" song.xm
expect 2 "missing the module file" -o "$tmp/out.wav"
expect 2 "unknown option" song.xm -o "$tmp/out.wav" --loud
expect 2 "seconds" song.xm -o "$tmp/out.wav" --seconds abc
expect 2 "seconds" song.xm -o "$tmp/out.wav" --seconds 0
expect 1 "cannot open" "$tmp/absent.xm" -o "$tmp/out.wav"
echo "plain text, not a module" >"$tmp/text.xm"
expect 1 "not an XM module" "$tmp/text.xm" -o "$tmp/out.wav"
[ -e "$tmp/out.wav" ] && fail "a failed render left an output file"

song="$source/tests/data/xm/lachesis-villgust-gaiden-menu.xm"
head -c 1000 "$song" >"$tmp/truncated.xm"
expect 1 "truncated at byte" "$tmp/truncated.xm" -o "$tmp/out.wav"

"$render" module "$song" -o "$tmp/song.wav" >"$tmp/out" 2>"$tmp/err" || fail "render failed: $(cat "$tmp/err")"
grep -q "x real time" "$tmp/out" || fail "no render speed reported: $(cat "$tmp/out")"
[ "$(soxi -r "$tmp/song.wav")" = 44100 ] || fail "sample rate $(soxi -r "$tmp/song.wav")"
[ "$(soxi -c "$tmp/song.wav")" = 2 ] || fail "channels $(soxi -c "$tmp/song.wav")"
[ "$(soxi -b "$tmp/song.wav")" = 16 ] || fail "bits $(soxi -b "$tmp/song.wav")"
# The song plays its orders once in 17.86 s, then repeats: the render ends within a block of that.
frames=$(soxi -s "$tmp/song.wav")
[ "$frames" -ge 786000 ] && [ "$frames" -le 789000 ] || fail "song rendered to $frames frames"

"$render" module "$song" -o "$tmp/short.wav" --seconds 2.5 >/dev/null 2>&1 || fail "--seconds render failed"
[ "$(soxi -s "$tmp/short.wav")" = 110250 ] || fail "--seconds 2.5 gave $(soxi -s "$tmp/short.wav") frames"
echo "PASS"
