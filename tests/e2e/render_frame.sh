# quadrise-render frame as a user runs it: help, usage errors in one line, neither a display nor
# EGL, and the demo's frames as 1024x768 PNG, each like its reference picture (4x4 blocks
# averaged) within a small tolerance, and without a display the same off screen. A mismatch leaves
# the new picture and the difference in build/scene-pictures.
source "$(dirname "$0")/lib/common.sh"
f=$E2E_TMP/f.png
for program in quadrise quadrise-render; do
    ! ldd "$BUILD/$program" | grep -i glut || fail "$program links GLUT"
done
"$BUILD/quadrise-render" frame --help | grep -q "frame MS -o OUT.png" || fail "--help"
expect 2 "missing the music time" frame -o "$f"
expect 2 "missing -o" frame 1000
expect 2 "-o needs a file name" frame 1000 -o
expect 2 "unknown option" frame -5 -o "$f"
for time in +5 12x 1e3 4294967296 99999999999999999999 ""; do expect 2 "whole milliseconds" frame "$time" -o "$f"; done
# Neither an X display nor EGL (no EGL driver to load): one line naming both.
(unset DISPLAY && export __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent &&
    expect 1 "no X display (DISPLAY is not set), and no off-screen OpenGL through EGL: ." frame 1000 -o "$f") || exit 1
start_x 640x480x24  # smaller than the picture: the hidden window is not clipped to the screen
expect 1 "the show is over" frame 157020 -o "$f"
expect 1 "cannot write" frame 1000 -o "$E2E_TMP/no/such/dir/f.png"
[ ! -e "$f" ] || fail "a refused frame wrote a picture"
for ms in 19 157000; do  # the frame after the music starts, and the last one before the window closes
    "$BUILD/quadrise-render" frame $ms -o "$f" >/dev/null && [ "$(convert "$f" -format '%[fx:maxima]' info:)" = 0 ] || fail "frame $ms is not black"
done
for scene in loading:0 title:9000 palette:64000 tilted:82500 bands:98500 trail:114000 \
    far_bands:131000 spinning:150000; do
    name=${scene%:*} new=$BUILD/scene-pictures/${scene%:*}-new.png
    "$BUILD/quadrise-render" frame "${scene#*:}" -o "$f" | grep -qF "$f" || fail "$name: the frame does not name its file"
    mkdir -p "$BUILD/scene-pictures" && convert "$f" -scale 25% "$new"
    mean=$(compare -metric MAE "$new" "$2/tests/e2e/pictures/$name.png" "${new%new.png}difference.png" 2>&1)
    off=$(compare -metric AE -fuzz 6.3% "$new" "$2/tests/e2e/pictures/$name.png" null: 2>&1)
    awk -v m="$mean" -v o="$off" 'BEGIN { exit !(split(m, v, /[()]/) == 3 && v[2] <= 1 / 255 && o == o + 0 && o <= 49) }' ||
        fail "$name: mean difference $mean, $off pixels off by more than 16: see $new"
    rm "$new" "${new%new.png}difference.png"
done
# Without a display the same pictures come off screen through EGL, within a level on average.
for ms in 9000 98500 150000; do
    "$BUILD/quadrise-render" frame $ms -o "$E2E_TMP/on_x.png" >/dev/null &&
        (unset DISPLAY && "$BUILD/quadrise-render" frame $ms -o "$E2E_TMP/egl.png" >/dev/null) || fail "frame $ms off screen"
    mean=$(compare -metric MAE "$E2E_TMP/on_x.png" "$E2E_TMP/egl.png" null: 2>&1)
    awk -v m="$mean" 'BEGIN { exit !(split(m, v, /[()]/) == 3 && v[2] <= 1 / 255) }' || fail "frame $ms off screen: mean difference $mean"
done
echo PASS
