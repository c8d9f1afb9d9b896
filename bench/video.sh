#!/usr/bin/env bash
# The whole show as a video on a private Xvfb (Mesa's llvmpipe, 1024x768), as quadrise-render video
# writes it by default (60 fps, x264 at CRF 18): the wall time against the show's own length, the
# CPU time, and the frames per second of rendering and of encoding with the one that limits, as
# the command reports them. Then x264's presets at CRF 18 on a 6 s clip (the palette scene),
# each against a lossless encoding of the same pictures: CPU time, size and PSNR/SSIM.
# Usage: bench/video.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
scratch=$(mktemp -d)
x_server="$(dirname "$0")/../tests/e2e/lib/x_server.sh"
trap 'bash "$x_server" stop "$scratch/x"; rm -rf "$scratch"' EXIT
bash "$x_server" start "$scratch/x" 1024x768x24 >/dev/null
read -r DISPLAY _ <"$scratch/x" && export DISPLAY
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
TIMEFORMAT="whole show: %R s wall (the show lasts 165.6 s), %U s user, %S s system"
time "$build/quadrise-render" video -o "$scratch/show.mp4" 2>/dev/null
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg); file $(du -m "$scratch/show.mp4" | cut -f1) MB"

"$build/quadrise-render" video -o "$scratch/lossless.mp4" --from 60000 --to 66000 --crf 0 >/dev/null
printf '%-10s %8s %8s %10s %8s\n' preset "cpu s" "size kB" "PSNR dB" SSIM
for preset in ultrafast superfast veryfast faster medium; do
    TIMEFORMAT="%U %S"
    cpu=$({ time ffmpeg -v error -y -i "$scratch/lossless.mp4" -an -c:v libx264 -preset $preset -crf 18 \
        "$scratch/$preset.mp4" 2>/dev/null; } 2>&1 | awk '{ print $1 + $2 }')
    quality=$(ffmpeg -hide_banner -i "$scratch/$preset.mp4" -i "$scratch/lossless.mp4" \
        -lavfi "[0:v][1:v]psnr;[0:v][1:v]ssim" -f null - 2>&1 |
        sed -n 's/.*PSNR.* average:\([0-9.]*\).*/\1/p; s/.*SSIM.* All:\([0-9.]*\).*/\1/p' | xargs)
    printf '%-10s %8s %8s %10s %8s\n' $preset "$cpu" "$(du -k "$scratch/$preset.mp4" | cut -f1)" $quality
done
