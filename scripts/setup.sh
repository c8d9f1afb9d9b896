#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quadrise need, only those
# that are missing (through sudo when not run as root).
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl2-dev freeglut3-dev libglu1-mesa-dev libgl-dev
    libgtest-dev googletest libbenchmark-dev libsndfile1-dev libpng-dev
    xfonts-base  # the X core fonts SDL draws its message boxes with
    xvfb xauth xdotool imagemagick x11-utils x11-xserver-utils sox
    openmpt123 libopenmpt-dev libxmp-dev xmp
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg
    clang libclang-rt-dev  # the runtime (fuzzer, sanitizers) of the release's default clang
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
