#!/usr/bin/env bash
# Builds every artefact of a release into dist/, from a fresh Release build of the checkout
# (build-release/) and the Windows builds:
#   quadrise_VERSION_amd64.deb              the Debian package
#   quadrise-VERSION-linux-x86_64.tar.gz    the same install tree, to unpack and run anywhere
#   quadrise-VERSION-windows.zip            the 64-bit and 32-bit Windows demo (scripts/build-windows.sh)
#   quadrise-VERSION.mp4                    the whole show as a video, with --with-video (minutes)
#   SHA256SUMS
# Every file's time is the last commit's (SOURCE_DATE_EPOCH), so the same commit packs the same
# Linux package and archive.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUADRISE_JOBS:-2}
umask 022

with_video=false
case "${1:-}" in
"") ;;
--with-video) with_video=true ;;
-h | --help)
    echo "usage: scripts/release.sh [--with-video]"
    exit 0
    ;;
*)
    echo "release: unknown argument '$1' (usage: scripts/release.sh [--with-video])" >&2
    exit 2
    ;;
esac

"$root/scripts/setup.sh"
if [ -n "$(git -C "$root" status --porcelain)" ]; then
    echo "release: the checkout has uncommitted changes: these artefacts are not those of its commit" >&2
fi
export SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
build=$root/build-release
dist=$root/dist
rm -rf "$build" "$dist"
mkdir -p "$dist"

echo "== Linux: the programs"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUADRISE_TESTS=OFF -DQUADRISE_BENCH=OFF
cmake --build "$build" -j"$jobs" --target quadrise quadrise-render soundtrack-build
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

echo "== Linux: the Debian package and the archive"
(cd "$build" && cpack -G DEB -B "$build/packages")
mv "$build/packages/quadrise_${version}_amd64.deb" "$dist/"
tree=quadrise-$version-linux-x86_64
cmake --install "$build" --prefix "$build/stage/$tree" --strip
cp "$build/README.txt" "$build/FONT-LICENSE.txt" "$build/stage/$tree/"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
    -C "$build/stage" -cf - "$tree" | gzip -9n >"$dist/$tree.tar.gz"

echo "== Windows: the archive"
"$root/scripts/build-windows.sh"
cp "$root/build-win64/quadrise-$version-windows.zip" "$dist/"

echo "== The web site"
echo "release: the web site is left out: there is no web build yet"

if $with_video; then
    echo "== The whole show as a video"
    "$build/quadrise-render" video -o "$dist/quadrise-$version.mp4"
fi

(cd "$dist" && sha256sum -- * >SHA256SUMS)
echo "release: $dist"
ls -l "$dist"
