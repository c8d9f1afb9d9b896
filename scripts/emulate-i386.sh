#!/usr/bin/env bash
# emulate-i386.sh COMMAND [ARGS...]: runs COMMAND with every 32-bit x86 program it starts run by
# qemu's user-mode emulator (qemu-user), for machines whose kernel runs no 32-bit programs. The
# emulator is registered with binfmt_misc in a user namespace of the command's own (Linux 6.7 or
# later), whose binfmt_misc is mounted on build-win32/binfmt_misc there only: the rest of the
# machine runs as before. The command runs as the caller's own user and group ids, so wine finds
# the caller's server and prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mount_point=$root/build-win32/binfmt_misc
# The emulator's own entry: the ELF header of an i386 program, flags OPF. The interpreter's name
# ends in -binfmt-P, which tells it that the kernel passes the program's own argv[0] on (P).
entry=/usr/share/qemu/binfmt.d/qemu-i386.conf
[ -r "$entry" ] || { echo "emulate-i386: no $entry (scripts/setup.sh installs qemu-user)" >&2; exit 1; }
mkdir -p "$mount_point"
# Root of a new user namespace may mount its own binfmt_misc; an inner one maps the caller's ids
# back and sees the same registration.
exec unshare --user --map-root-user --mount -- bash -c '
    if ! mount -t binfmt_misc binfmt_misc "$1" 2>/dev/null; then
        echo "emulate-i386: this kernel ($(uname -r)) gives a user namespace no binfmt_misc of its own (Linux 6.7 or later does)" >&2
        exit 1
    fi
    cat "$2" >"$1/register" || { echo "emulate-i386: binfmt_misc refused the entry in $2" >&2; exit 1; }
    exec unshare --user --map-user="$3" --map-group="$4" -- "${@:5}"' \
    emulate-i386 "$mount_point" "$entry" "$(id -u)" "$(id -g)" "$@"
