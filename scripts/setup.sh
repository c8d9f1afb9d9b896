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
    # Drawing off screen through EGL (Mesa, llvmpipe without a GPU), and the release: the Debian
    # package's computed dependencies and its checks, the manual pages read as man shows them.
    libegl-dev libegl1 libegl-mesa0 libgl1-mesa-dri dpkg-dev lintian man-db
    # The Windows builds, run under wine: the cross compilers, wine itself (its 32-bit half and
    # 32-bit GL for the i686 build), and a PulseAudio server whose null sink is the sound device.
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386
    libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 pulseaudio pulseaudio-utils
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
# The 32-bit packages need the i386 architecture, which the package lists then include.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
