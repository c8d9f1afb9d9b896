#!/bin/bash
# The soundtrack as a user meets it: quadrise-render soundtrack, export-xm and timemap with their
# help and refusals; the module built from its text, embedded and exported; the exported module in
# two independent players and in ours; the render measured as a listener would.
# Arguments: BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/common.sh"
source=$2
render="$BUILD/quadrise-render"
tmp=$E2E_TMP

for command in soundtrack export-xm timemap; do
    "$render" $command --help >"$tmp/out" 2>&1 || fail "$command --help failed"
    grep -q "^usage: quadrise-render $command" "$tmp/out" || fail "$command --help: $(cat "$tmp/out")"
done

# refuse MESSAGE COMMAND ARGS...: exit 2 with one line on stderr naming MESSAGE, and no output file.
refuse() {
    local message=$1
    shift
    "$render" "$@" >"$tmp/out" 2>"$tmp/err"
    local got=$?
    [ "$got" -eq 2 ] || fail "$*: exit $got, wanted 2"
    [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q -- "$message" "$tmp/err" || fail "$*: $(cat "$tmp/err")"
}
refuse "missing -o OUT.wav" soundtrack
refuse "unknown option '--loud'" soundtrack -o "$tmp/out.wav" --loud
refuse "seconds" soundtrack -o "$tmp/out.wav" --seconds -3
refuse "unexpected argument 'extra'" soundtrack extra -o "$tmp/out.wav"
refuse "missing OUT.xm" export-xm --bare
refuse "unexpected argument 'b.xm'" export-xm "$tmp/a.xm" b.xm
refuse "unexpected argument 'now'" timemap now
refuse "unknown command 'play'" play
[ -z "$(ls "$tmp" | grep -v -e '^out$' -e '^err$')" ] || fail "a refused command left files: $(ls "$tmp")"

# Failed writes leave nothing behind, and an existing target stays as it was.
mkdir "$tmp/folder"
"$render" export-xm "$tmp/folder" >/dev/null 2>"$tmp/err" && fail "export-xm over a folder succeeded"
"$render" soundtrack -o "$tmp/absent/s.wav" --seconds 1 >/dev/null 2>"$tmp/err" && fail "soundtrack into a missing folder succeeded"
grep -q "cannot write" "$tmp/err" || fail "no reason given: $(cat "$tmp/err")"
[ -d "$tmp/folder" ] && [ -z "$(ls "$tmp/folder")" ] || fail "the folder was changed"
ls "$tmp" | grep -q part && fail "a temporary file was left: $(ls "$tmp")"

# The embedded module is the one the builder makes from the text, byte for byte.
"$BUILD/soundtrack-build" "$source/resources/MUSIC/XMMOD.xmt" "$tmp/built.xm" || fail "soundtrack-build failed"
"$render" export-xm --bare "$tmp/bare.xm" >/dev/null || fail "export-xm --bare failed"
cmp -s "$tmp/built.xm" "$tmp/bare.xm" || fail "export-xm --bare differs from the module built from the text"
printf 'order 0\npattern 0\n00 | H-4 01 v40 ... \n' >"$tmp/bad.xmt"
"$BUILD/soundtrack-build" "$tmp/bad.xmt" "$tmp/bad.xm" 2>"$tmp/err" && fail "a bad text built"
grep -q "bad.xmt:3:6: error: unknown note 'H-4'" "$tmp/err" || fail "builder error: $(cat "$tmp/err")"
[ -e "$tmp/bad.xm" ] && fail "a failed build left a module"

# The exported module: real samples, loaded by two independent players without complaint.
"$render" export-xm "$tmp/song.xm" >/dev/null || fail "export-xm failed"
cmp -s "$tmp/song.xm" "$tmp/bare.xm" && fail "the export carries no samples"
[ "$(stat -c %s "$tmp/song.xm")" = "$(stat -c %s "$tmp/bare.xm")" ] || fail "the export changed the module's size"
openmpt123 --info "$tmp/song.xm" >"$tmp/info" 2>&1 || fail "openmpt123 --info failed: $(cat "$tmp/info")"
grep -q "Channels...: 10" "$tmp/info" && grep -q "Samples....: 6" "$tmp/info" || fail "openmpt123: $(cat "$tmp/info")"
grep -qi -e warn -e error "$tmp/info" && fail "openmpt123 complains: $(cat "$tmp/info")"
xmp --load-only "$tmp/song.xm" >"$tmp/info" 2>&1 || fail "xmp --load-only failed"
grep -q "Channels     : 10" "$tmp/info" || fail "xmp: $(cat "$tmp/info")"
grep -qi -e warn -e error "$tmp/info" && fail "xmp complains: $(cat "$tmp/info")"

# Our player plays the export exactly as the program plays the embedded module.
"$render" module "$tmp/song.xm" -o "$tmp/export.wav" --seconds 60 >/dev/null 2>&1 || fail "rendering the export failed"
"$render" soundtrack -o "$tmp/program.wav" --seconds 60 >/dev/null 2>&1 || fail "soundtrack --seconds failed"
cmp -s "$tmp/export.wav" "$tmp/program.wav" || fail "the export does not play like the program"

# The whole show: it ends with the block whose music clock reaches 157 s, unclipped, the groove
# at a listening level and the music at rest when the show closes.
"$render" soundtrack -o "$tmp/show.wav" >"$tmp/out" 2>&1 || fail "soundtrack failed: $(cat "$tmp/out")"
grep -q "x real time" "$tmp/out" || fail "no render speed reported: $(cat "$tmp/out")"
frames=$(soxi -s "$tmp/show.wav")
[ $((frames % 884)) -eq 0 ] && [ "$frames" -gt $((165 * 44100)) ] && [ "$frames" -lt $((167 * 44100)) ] ||
    fail "the show rendered to $frames frames"
peak=$(sox "$tmp/show.wav" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
awk -v p="$peak" 'BEGIN { exit !(p < 0.99) }' || fail "the render clips (peak $peak)"
groove_rms=$(sox "$tmp/show.wav" -n trim 60 50 stat 2>&1 | awk '/RMS     amplitude/ { print $3 }')
awk -v r="$groove_rms" 'BEGIN { db = 20 * log(r) / log(10); exit !(db > -18 && db < -10) }' ||
    fail "groove RMS $groove_rms is outside -18..-10 dBFS"
tail_rms=$(sox "$tmp/show.wav" -n trim -1 stat 2>&1 | awk '/RMS     amplitude/ { print $3 }')
awk -v r="$tail_rms" 'BEGIN { exit !(r < 0.001) }' || fail "the music still sounds when the show closes ($tail_rms)"

# The time map: one line per order, the sections where the show's scenes change.
"$render" timemap >"$tmp/map" 2>"$tmp/err" || fail "timemap failed: $(cat "$tmp/err")"
[ "$(wc -l <"$tmp/map")" -eq 55 ] || fail "timemap printed $(wc -l <"$tmp/map") lines"
while read -r order pattern near; do
    awk -v o="$order" -v p="$pattern" -v t="$near" 'NR > 1 && $1 == o { found = 1; ok = $2 == p && $3 > t - 400 && $3 < t + 400 }
        END { exit !(found && ok) }' "$tmp/map" || fail "order $order: $(awk -v o="$order" 'NR > 1 && $1 == o' "$tmp/map")"
done <<'SCENES'
0 5 0
6 0 42000
7 1 49000
24 1 84000
34 12 106700
36 4 119000
50 4 143500
53 11 148700
SCENES
echo "PASS"
