# quadrise-render video as a user runs it: refusals in one line that leave no file, an interrupted
# run that leaves none either, and short clips across scene changes, read back with FFmpeg: the
# streams and their lengths, the pictures against quadrise-render frame, and picture and sound in
# the places the demo gives them; without a display, the same clip off screen.
source "$(dirname "$0")/lib/common.sh"
render=$BUILD/quadrise-render
tmp=$E2E_TMP
"$render" video --help | grep -q "^usage: quadrise-render video -o OUT.mp4" || fail "--help"
expect 2 "missing -o OUT.mp4" video --to 1000
expect 2 "fps needs a whole number" video -o "$tmp/v.mp4" --fps 0
expect 2 "crf needs a whole number" video -o "$tmp/v.mp4" --crf 52
expect 2 "from must come before --to" video -o "$tmp/v.mp4" --from 9000 --to 8000
expect 2 "to 157001 is past the end of the show" video -o "$tmp/v.mp4" --to 157001
expect 2 "from 200000 is past the end of the show" video -o "$tmp/v.mp4" --from 200000
expect 2 "no frame starts between" video -o "$tmp/v.mp4" --from 100 --to 110
(unset DISPLAY && export __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent &&
    expect 1 "no X display (DISPLAY is not set), and no off-screen OpenGL through EGL" video -o "$tmp/v.mp4" --to 1000) || exit 1
start_x 640x480x24
expect 1 "cannot write $tmp/no/such/dir/v.mp4" video -o "$tmp/no/such/dir/v.mp4" --to 1000
[ -z "$(ls "$tmp" | grep -v -e '^out$' -e '^err$' -e '^x$')" ] || fail "a refused run left files: $(ls "$tmp")"

# Interrupted once it writes, the whole show leaves nothing and ends by the signal.
"$render" video -o "$tmp/show.mp4" >"$tmp/out" 2>"$tmp/err" &
pid=$!
for _ in $(seq 100); do ls "$tmp" | grep -q '^show\.mp4\.part' && break; sleep 0.1; done
sleep 0.5 && kill -INT $pid
wait $pid
status=$?
[ $status = 130 ] && [ "$(cat "$tmp/err")" = "quadrise-render video: interrupted; no file written" ] &&
    ! ls "$tmp" | grep -q show || fail "interrupted: exit $status, $(cat "$tmp/err"), left $(ls "$tmp")"

# The music clock of every frame, as the demo reads it: frame k shows at k/FPS, and its clock is
# the stamp of the block holding its first sound frame (show-clock: line b + 1 for block b).
"$BUILD/show-clock" >"$tmp/blocks"
frame_clocks() {  # FPS: "frame clock" for every frame of the show
    awk -v fps=$1 '{ stamp[NR - 1] = $1 } END {
        for (k = 0; (b = int(int((k * 44100 + fps - 1) / fps) / 884)) < NR; ++k) print k, stamp[b] }' "$tmp/blocks"
}

# clip NAME FPS FROM TO: the video of the show from FROM to TO ms of music, as NAME.mp4, with the
# clocks of its frames (line j + 1 for frame j) in NAME.clocks and its first frame in the show as
# FIRST. ffprobe finds one H.264 stream at the rate and size asked for, BT.709 in yuv420p, and one
# AAC stream at 44100 Hz stereo, both starting at 0 (the first picture with the first sound), each
# as long as the frames whose clock is in the range, within a frame.
clip() {
    "$render" video -o "$tmp/$1.mp4" --fps $2 --from $3 --to $4 >"$tmp/out" 2>"$tmp/err" ||
        fail "$1: $(cat "$tmp/err")"
    grep -q "^$tmp/$1.mp4: .* frames at $2 fps .*: rendering .* fps, encoding .* fps; .* limits$" "$tmp/out" ||
        fail "$1: the report: $(cat "$tmp/out")"
    frame_clocks $2 | awk -v from=$3 -v to=$4 '$2 >= from && $2 < to' >"$tmp/$1.frames"
    cut -d' ' -f2 "$tmp/$1.frames" >"$tmp/$1.clocks"
    FIRST=$(head -n1 "$tmp/$1.frames" | cut -d' ' -f1)
    ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,pix_fmt,color_space,avg_frame_rate,sample_rate,channels,start_time,duration \
        -of compact=p=0 "$tmp/$1.mp4" >"$tmp/$1.probe" || fail "$1: ffprobe cannot read it"
    awk -F'[|=]' -v fps=$2 -v frames=$(wc -l <"$tmp/$1.clocks") '
        { for (i = 1; i < NF; i += 2) f[$i] = $(i + 1); timed = f["start_time"] == 0 && (f["duration"] - frames / fps) ^ 2 <= 1 / fps ^ 2 }
        f["codec_type"] == "video" && f["codec_name"] == "h264" && f["width"] == 1024 && f["height"] == 768 &&
            f["pix_fmt"] == "yuv420p" && f["color_space"] == "bt709" && f["avg_frame_rate"] == fps "/1" && timed { ++video }
        f["codec_type"] == "audio" && f["codec_name"] == "aac" && f["sample_rate"] == 44100 && f["channels"] == 2 && timed { ++audio }
        END { exit !(NR == 2 && video == 1 && audio == 1) }' "$tmp/$1.probe" ||
        fail "$1: $(wc -l <"$tmp/$1.clocks") frames wanted, found $(cat "$tmp/$1.probe")"
}

# same_picture NAME FRAME...: each frame of NAME.mp4 is the picture quadrise-render frame draws at
# its clock, compared in the stream's colours (BT.709, yuv420p), at 44 dB PSNR or better: CRF 18
# gives 47 to 56 dB on these frames, pictures converted with the older BT.601 matrix 37 to 41 dB.
same_picture() {
    local name=$1 frame clock psnr
    for frame in "${@:2}"; do
        clock=$(sed -n "$((frame + 1))p" "$tmp/$name.clocks")
        "$render" frame $clock -o "$tmp/frame.png" >/dev/null || fail "$name: frame $clock"
        psnr=$(ffmpeg -hide_banner -nostats -i "$tmp/$name.mp4" -i "$tmp/frame.png" -lavfi \
            "[0:v]select=eq(n\,$frame)[v];[1:v]scale=out_color_matrix=bt709:out_range=tv,format=yuv420p[p];[v][p]psnr" \
            -f null - 2>&1 | sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p')
        awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p >= 44) }' || fail "$name: frame $frame (clock $clock): PSNR '$psnr' dB"
    done
}

# onset FILE FROM: the time in FILE of the first 2 ms after FROM + 50 ms whose sound is three times
# as loud (RMS) as the 50 ms from FROM on.
onset() {
    local first=$(awk -v s="$2" 'BEGIN { printf "%d", s * 44100 }')
    ffmpeg -v error -i "$1" -af "atrim=start_sample=$first:end_sample=$((first + 13230))" -ac 1 -f s16le - |
        od -An -v -td2 -w2 | awk -v first=$first '{ x[NR - 1] = $1 } END {
            for (i = 0; i < 2205; ++i) base += x[i] ^ 2 / 2205
            for (w = 2205; w + 88 <= NR; w += 22) {
                e = 0; for (i = w; i < w + 88; ++i) e += x[i] ^ 2 / 88
                if (e > 9 * base) { printf "%.5f\n", (first + w) / 44100; exit }
            }
        }'
}

# Across the end of the trail at 119 s: a trail frame with the greetings and a bands frame.
clip trail_bands 60 117000 121000
same_picture trail_bands 30 200
# The sound sits where the block renderer puts it, measured against the first frame: the onset of
# the order starting with the bands, in the soundtrack from the show's start and in the clip.
"$render" soundtrack -o "$tmp/soundtrack.wav" --seconds 130 >/dev/null || fail "soundtrack"
order_ms=$("$render" timemap | awk 'NR > 1 { d = ($3 - 119000) ^ 2; if (NR == 2 || d < best) { best = d; ms = $3 } } END { print ms }')
order_s=$(awk -v ms=$order_ms '$1 >= ms { printf "%.5f", (NR - 1) * 884 / 44100 - 0.1; exit }' "$tmp/blocks")
heard=$(onset "$tmp/soundtrack.wav" $order_s)
played=$(onset "$tmp/trail_bands.mp4" $(awk -v s=$order_s -v k=$FIRST 'BEGIN { print s - k / 60 }'))
awk -v h="$heard" -v p="$played" -v k=$FIRST 'BEGIN { exit !(h > 0 && p > 0 && (p - (h - k / 60)) ^ 2 <= (1 / 60) ^ 2) }' ||
    fail "the order at $order_ms ms sounds at $heard s of the show, at $played s of a clip from frame $FIRST"
# The picture changes where the demo changes it: the first frame at 119 s ends the trail, the next
# turns the fog on, both black, and the bands follow (the first frame brighter than black).
ffmpeg -v error -i "$tmp/trail_bands.mp4" -vf "signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=$tmp/luma" -f null -
bands=$(awk -F= '/YAVG/ { if (dark && $2 > 16.3) { print n; exit } dark = $2 < 16.3; ++n }' "$tmp/luma")
ended=$(awk '$1 >= 119000 { print NR - 1; exit }' "$tmp/trail_bands.clocks")
[ "$bands" = $((ended + 2)) ] || fail "the bands begin at frame $bands, the clock reaches 119 s at frame $ended"

# Across the end of the palette scene at 75 s, at 50 frames a second.
clip palette_tilted 50 74000 76500
same_picture palette_tilted 25 100
# From the start of the show at 10 frames a second: black, then the first title over the title
# cubes.
clip title 10 0 8000
same_picture title 0 60

# Without a display a clip comes off screen through EGL with as many frames, and the same pictures
# as on the X display (48 dB PSNR is a mean squared difference of one level).
"$render" video -o "$tmp/on_x.mp4" --from 64000 --to 64500 --fps 10 >/dev/null &&
    (unset DISPLAY && "$render" video -o "$tmp/egl.mp4" --from 64000 --to 64500 --fps 10 >/dev/null) || fail "a clip off screen"
frames() { ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 "$1"; }
psnr=$(ffmpeg -hide_banner -nostats -i "$tmp/on_x.mp4" -i "$tmp/egl.mp4" -lavfi "[0:v][1:v]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p')
[ "$(frames "$tmp/egl.mp4")" = "$(frames "$tmp/on_x.mp4")" ] && awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p >= 48) }' ||
    fail "off screen: $(frames "$tmp/egl.mp4") frames for $(frames "$tmp/on_x.mp4"), PSNR '$psnr' dB"
echo PASS
