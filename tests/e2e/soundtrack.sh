# The soundtrack as a user meets it: quadrise-render soundtrack, export-xm and timemap with their
# help and refusals; the module built from its text, embedded and exported; the exported module in
# two independent players and in ours; the render measured as a listener would.
source "$(dirname "$0")/lib/common.sh"
render=$BUILD/quadrise-render
tmp=$E2E_TMP
for command in soundtrack export-xm timemap; do
    "$render" $command --help | grep -q "^usage: quadrise-render $command" || fail "$command --help"
done
expect 2 "missing -o OUT.wav" soundtrack
expect 2 "unknown option '--loud'" soundtrack -o "$tmp/out.wav" --loud
expect 2 "seconds" soundtrack -o "$tmp/out.wav" --seconds -3
expect 2 "unexpected argument 'extra'" soundtrack extra -o "$tmp/out.wav"
expect 2 "missing OUT.xm" export-xm --bare
expect 2 "unexpected argument 'b.xm'" export-xm "$tmp/a.xm" b.xm
expect 2 "unexpected argument 'now'" timemap now
expect 2 "unknown command 'play'" play
[ -z "$(ls "$tmp" | grep -v -e '^out$' -e '^err$')" ] || fail "a refused command left files: $(ls "$tmp")"
# Failed writes leave nothing behind, and an existing target stays as it was.
mkdir "$tmp/folder"
expect 1 "cannot write" export-xm "$tmp/folder"
expect 1 "cannot write" soundtrack -o "$tmp/absent/s.wav" --seconds 1
[ -z "$(ls "$tmp/folder")" ] && ! ls "$tmp" | grep -q part || fail "the folder was changed or a temporary file left"

# The embedded module is the one the builder makes from the text, byte for byte; a bad text builds
# nothing and says where it is wrong.
"$BUILD/soundtrack-build" "$2/resources/MUSIC/XMMOD.xmt" "$tmp/built.xm" || fail "soundtrack-build failed"
"$render" export-xm --bare "$tmp/bare.xm" >/dev/null && cmp -s "$tmp/built.xm" "$tmp/bare.xm" ||
    fail "export-xm --bare differs from the module built from the text"
printf 'order 0\npattern 0\n00 | H-4 01 v40 ... \n' >"$tmp/bad.xmt"
"$BUILD/soundtrack-build" "$tmp/bad.xmt" "$tmp/bad.xm" 2>"$tmp/err" && fail "a bad text built"
grep -q "bad.xmt:3:6: error: unknown note 'H-4'" "$tmp/err" && [ ! -e "$tmp/bad.xm" ] || fail "builder: $(cat "$tmp/err")"

# The exported module: real samples, loaded by two independent players without complaint, and
# played by ours exactly as the program plays the embedded module.
"$render" export-xm "$tmp/song.xm" >/dev/null || fail "export-xm failed"
! cmp -s "$tmp/song.xm" "$tmp/bare.xm" && [ "$(stat -c %s "$tmp/song.xm")" = "$(stat -c %s "$tmp/bare.xm")" ] ||
    fail "the export carries no samples or changed the module's size"
openmpt123 --info "$tmp/song.xm" >"$tmp/openmpt" 2>&1 && xmp --load-only "$tmp/song.xm" >"$tmp/xmp" 2>&1 &&
    [ "$(grep -cE 'Channels...: 10|Samples....: 6' "$tmp/openmpt") $(grep -c 'Channels     : 10' "$tmp/xmp")" = "2 1" ] &&
    ! grep -qi -e warn -e error "$tmp/openmpt" "$tmp/xmp" || fail "the players: $(cat "$tmp/openmpt" "$tmp/xmp")"
"$render" module "$tmp/song.xm" -o "$tmp/export.wav" --seconds 60 >/dev/null || fail "rendering the export failed"
"$render" soundtrack -o "$tmp/program.wav" --seconds 60 >/dev/null || fail "soundtrack --seconds failed"
cmp -s "$tmp/export.wav" "$tmp/program.wav" || fail "the export does not play like the program"

# The whole show: it ends with the block whose music clock reaches 157 s, unclipped, the groove
# at a listening level and the music at rest when the show closes.
"$render" soundtrack -o "$tmp/show.wav" | grep -q "x real time" || fail "no render speed reported"
[ "$(soxi -s "$tmp/show.wav")" = $(($("$BUILD/show-clock" | wc -l) * 884)) ] || fail "the show rendered to $(soxi -s "$tmp/show.wav") frames"
level() { sox "$tmp/show.wav" -n $2 stat 2>&1 | awk -v name="$1" 'index($0, name) == 1 { print $3 }'; }
peak=$(level Maximum) groove=$(level RMS "trim 60 50") closing=$(level RMS "trim -1")
awk -v p="$peak" -v g="$groove" -v c="$closing" 'BEGIN { db = 20 * log(g) / log(10); exit !(p < 0.99 && db > -18 && db < -10 && c < 0.001) }' ||
    fail "peak $peak (clips from 0.99), groove RMS $groove (-18 to -10 dBFS), closing RMS $closing (at rest below 0.001)"

# The time map: a heading and one line per order; order 34 (pattern 12, the greetings) at 106.7 s.
[ "$("$render" timemap | sed -n '36p;$=' | xargs)" = "34 12 106733 55" ] ||
    fail "the time map: $("$render" timemap)"
echo PASS
