#!/bin/bash
# quadrise-render frame as a user runs it: help, usage errors in one line, no display, and real
# frames written as 1024x768 PNG on a private Xvfb. Arguments: BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/common.sh"
render="$BUILD/quadrise-render"
tmp=$E2E_TMP

# expect CODE MESSAGE ARGS...: one line on stderr naming MESSAGE, exit CODE, no picture written.
expect() {
    local code=$1 message=$2
    shift 2
    "$render" frame "$@" >"$tmp/out" 2>"$tmp/err"
    local got=$?
    [ "$got" -eq "$code" ] || fail "frame $*: exit $got, wanted $code ($(cat "$tmp/err"))"
    [ "$(wc -l <"$tmp/err")" = 1 ] && grep -q -- "$message" "$tmp/err" || fail "frame $*: stderr: $(cat "$tmp/err")"
    [ ! -e "$tmp/f.png" ] || fail "frame $*: a picture was written"
}

"$render" frame --help >"$tmp/out" 2>&1 && grep -q "frame MS -o OUT.png" "$tmp/out" || fail "--help: $(cat "$tmp/out")"
expect 2 "missing the music time" -o "$tmp/f.png"
expect 2 "missing -o" 1000
expect 2 "-o needs a file name" 1000 -o
expect 2 "unknown option" 1000 -o "$tmp/f.png" --fast
expect 2 "unexpected argument" 1000 2000 -o "$tmp/f.png"
expect 2 "unknown option" -5 -o "$tmp/f.png"
for time in +5 12x 1e3 4294967296 99999999999999999999 ""; do
    expect 2 "whole milliseconds" "$time" -o "$tmp/f.png"
done
env -u DISPLAY "$render" frame 1000 -o "$tmp/f.png" >/dev/null 2>"$tmp/err"
[ $? = 1 ] && [ "$(wc -l <"$tmp/err")" = 1 ] && grep -q "display" "$tmp/err" || fail "without a display: $(cat "$tmp/err")"
[ ! -e "$tmp/f.png" ] || fail "a picture was written without a display"

start_x 640x480x24  # smaller than the picture: the hidden window is not clipped to the screen
expect 1 "the show is over" 157020 -o "$tmp/f.png"
expect 1 "cannot write" 1000 -o "$tmp/no/such/dir/f.png"
# colours MS: the picture's maximum red, green and blue, 0 to 255.
colours() { convert "$tmp/$1.png" -format '%[fx:round(255*maxima.r)] %[fx:round(255*maxima.g)] %[fx:round(255*maxima.b)]' info:; }
for frame in 0:255,255,255 5499:0,0,0 20000:255,0,255 66000:255,255,0 157000:0,0,0; do
    ms=${frame%%:*}
    "$render" frame "$ms" -o "$tmp/$ms.png" >"$tmp/out" 2>"$tmp/err" || fail "frame $ms: $(cat "$tmp/err")"
    grep -q "$tmp/$ms.png" "$tmp/out" || fail "frame $ms does not name its file: $(cat "$tmp/out")"
    [ "$(identify -format '%wx%h %[channels]' "$tmp/$ms.png")" = "1024x768 srgb" ] || fail "frame $ms: $(identify "$tmp/$ms.png")"
    [ "$(colours "$ms" | tr ' ' ,)" = "${frame#*:}" ] || fail "frame $ms: brightest red, green, blue $(colours "$ms")"
done
echo "PASS"
