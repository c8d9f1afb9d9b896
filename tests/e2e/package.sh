# The Debian package as a user gets it: packed twice from the build with the same bytes, its files,
# its dependencies computed from the binaries, lintian without errors, unpacked into a private root
# whose path has spaces (dpkg -x: nothing is installed on the machine). From there the tools run
# with nothing of the build or source tree, the soundtrack as the build's own tool renders it, and
# the manual pages render and say what --help says. The tree stays in BUILD/package/ for
# installed_demo.sh.
source "$(dirname "$0")/lib/common.sh"
pkg=$BUILD/package
root="$pkg/installed root"
rm -rf "$pkg" && mkdir -p "$pkg/first" "$pkg/second"

# pack DIR: the package of the build in DIR, its files' times those of a release's commit.
pack() {
    (cd "$1" && SOURCE_DATE_EPOCH=1700000000 cpack -G DEB --config "$BUILD/CPackConfig.cmake" >cpack.log 2>&1) ||
        fail "cpack: $(cat "$1/cpack.log")"
}
pack "$pkg/first"
touch "$BUILD/README.txt" "$BUILD/man/quadrise.6.gz" "$BUILD/quadrise"  # what a second build would leave newer
sleep 1
pack "$pkg/second"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
deb=$pkg/first/quadrise_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb: $(ls "$pkg/first")"
cmp -s "$deb" "$pkg/second/quadrise_${version}_amd64.deb" || fail "packed twice, the packages differ"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $NF }')
expected="-rwxr-xr-x ./usr/bin/quadrise
-rwxr-xr-x ./usr/bin/quadrise-render
-rwxr-xr-x ./usr/bin/soundtrack-build
-rw-r--r-- ./usr/share/applications/quadrise.desktop
-rw-r--r-- ./usr/share/doc/quadrise/README.txt
-rw-r--r-- ./usr/share/doc/quadrise/changelog.gz
-rw-r--r-- ./usr/share/doc/quadrise/copyright
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/quadrise.png
-rw-r--r-- ./usr/share/man/man1/quadrise-render.1.gz
-rw-r--r-- ./usr/share/man/man1/soundtrack-build.1.gz
-rw-r--r-- ./usr/share/man/man6/quadrise.6.gz"
[ "$files" = "$expected" ] || fail "the package's files: $files"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libsdl2-2.0-0 libopengl0 libglu1-mesa libgl1 libegl1 libsndfile1 libpng16-16 'libavcodec[0-9]+' 'libavformat[0-9]+' 'libswscale[0-9]+' 'libstdc\+\+6'; do
    echo "$depends" | tr ',' '\n' | grep -Eq "^ ?$library( |$)" || fail "no $library among the dependencies: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = xfonts-base ] || fail "the X core fonts of the question box not recommended"
lintian --fail-on error "$deb" >"$E2E_TMP/lintian" 2>&1 || fail "lintian: $(grep -v '^running with root' "$E2E_TMP/lintian")"

# The icon is the size its folder says, and the desktop entry starts the installed demo by name.
dpkg -x "$deb" "$root"
[ "$(identify -format %wx%h "$root/usr/share/icons/hicolor/256x256/apps/quadrise.png")" = 256x256 ] || fail "the icon's size"
grep -qx 'Exec=quadrise' "$root/usr/share/applications/quadrise.desktop" &&
    grep -qx 'Icon=quadrise' "$root/usr/share/applications/quadrise.desktop" || fail "the desktop entry"
grep -q "Pawel W. Olszta" "$root/usr/share/doc/quadrise/copyright" || fail "the copyright file lacks the font's notice"

# The installed tools, run away from the build and source trees.
cd "$E2E_TMP"
installed=$root/usr/bin
[ "$("$installed/quadrise-render" --version)" = "quadrise-render $version" ] &&
    [ "$("$installed/soundtrack-build" --version)" = "soundtrack-build $version" ] || fail "--version"
"$installed/quadrise-render" soundtrack -o installed.wav --seconds 20 >/dev/null &&
    "$BUILD/quadrise-render" soundtrack -o built.wav --seconds 20 >/dev/null && cmp -s installed.wav built.wav ||
    fail "the installed quadrise-render renders another soundtrack"
"$installed/soundtrack-build" "$2/resources/MUSIC/XMMOD.xmt" built.xm && "$installed/quadrise-render" export-xm --bare bare.xm >/dev/null &&
    cmp -s built.xm bare.xm || fail "the installed soundtrack-build builds another module"

# man_page PAGE: the installed page renders without a warning, into $E2E_TMP/page on one line.
man_page() {
    LC_ALL=C MANWIDTH=80 man --warnings -l "$root/usr/share/man/$1" 2>"$E2E_TMP/man-warnings" | tr -s ' \n' '  ' >"$E2E_TMP/page"
    [ -s "$E2E_TMP/page" ] && [ ! -s "$E2E_TMP/man-warnings" ] || fail "$1: $(cat "$E2E_TMP/man-warnings")"
}
# says_help PAGE PROGRAM [COMMAND]: the page renders and holds every line of PROGRAM [COMMAND]
# --help, "usage: " left out, with spaces and line breaks as they fall.
says_help() {
    local line && man_page "$1"
    "$installed/$2" ${3:+"$3"} --help | sed 's/^usage: //; s/^ *//' | while read -r line; do
        grep -qF -- "$line" "$E2E_TMP/page" || fail "$1 lacks '$line' of $2 $3 --help"
    done || exit 1
}
for command in "" instruments module soundtrack export-xm timemap frame video; do
    says_help man1/quadrise-render.1.gz quadrise-render $command
done
says_help man1/soundtrack-build.1.gz soundtrack-build
man_page man6/quadrise.6.gz
grep -qF '"1024x768 fullscreen?."' "$E2E_TMP/page" && grep -q "Escape" "$E2E_TMP/page" || fail "quadrise.6: $(cat "$E2E_TMP/page")"
echo PASS
