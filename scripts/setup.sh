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
    # The browser build and its page tests: the WebAssembly compiler, node to run the core's tests
    # and drive the browser, and the headless browser itself.
    emscripten nodejs chromium
)
# qemu's user-mode emulator runs the 32-bit Windows tests where the kernel runs no 32-bit programs.
# Debian 12's own (7.2) hangs every Windows program; the one in bookworm-backports runs them.
backports=bookworm-backports
qemu_version=1:10

# A name without an architecture means the machine's own, or "all": with the i386 half of a
# package installed too, the plain name would match both.
native=$(dpkg --print-architecture)
missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $package == *:* ]] || status=$(dpkg-query -W -f='${Status}' "$package:$native" 2>/dev/null ||
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

# Debian's nodejs comes without npm, which is a package of its own; other builds of node bring it.
command -v npm >/dev/null || missing+=(npm)

qemu=$(dpkg-query -W -f='${Status} ${Version}' qemu-user 2>/dev/null || true)
qemu_missing=false
[[ $qemu == "install ok installed "* ]] && dpkg --compare-versions "${qemu##* }" ge "$qemu_version" ||
    qemu_missing=true

# The page tests' one npm package, at the version tests/web/package-lock.json pins.
web_tests=$(cd "$(dirname "$0")/../tests/web" && pwd)
npm_install() {
    [ -f "$web_tests/node_modules/playwright-core/package.json" ] && return 0
    echo "setup: installing playwright-core for the page tests"
    npm ci --prefix "$web_tests" --no-audit --no-fund
}

if [ ${#missing[@]} -eq 0 ] && ! $qemu_missing; then
    echo "setup: all $((${#packages[@]} + 1)) packages present"
    npm_install
    exit 0
fi

$qemu_missing && echo "setup: installing qemu-user from $backports"
[ ${#missing[@]} -eq 0 ] || echo "setup: installing ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# The 32-bit packages need the i386 architecture, which the package lists then include.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
# The backports suite, unless a source names it already: apt takes only what is asked from there.
if $qemu_missing && ! grep -qs "^[^#]*\b$backports\b" /etc/apt/sources.list /etc/apt/sources.list.d/*.{list,sources}; then
    printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" "Suites: $backports" "Components: main" \
        "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
        "${sudo[@]}" tee "/etc/apt/sources.list.d/$backports.sources" >/dev/null
fi
"${sudo[@]}" apt-get update
[ ${#missing[@]} -eq 0 ] || "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
# Without its recommended qemu-user-binfmt, which would register the emulator machine-wide.
if $qemu_missing; then
    "${sudo[@]}" apt-get install -y --no-install-recommends "qemu-user/$backports"
fi
npm_install
