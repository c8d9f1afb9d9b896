# The demo as the Debian package installs it (the tree package.sh unpacked into BUILD/package/),
# started the way its desktop entry starts it: the entry's command found on a PATH of the installed
# tree alone. It asks its question, answered No; its window opens; Escape ends it with exit code 0.
source "$(dirname "$0")/lib/common.sh"
root="$BUILD/package/installed root"
entry=$root/usr/share/applications/quadrise.desktop
[ -f "$entry" ] || fail "no installed tree: run e2e_package first"
command=$(sed -n 's/^Exec=//p' "$entry")
DEMO=$(cd / && PATH="$root/usr/bin" command -v "$command") || fail "the desktop entry's '$command' is not installed"
start_windowed
escape_ends 2 "releasing Escape in the installed demo"
echo PASS
