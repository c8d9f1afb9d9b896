# Sourced by the Windows scripts, which set root (sourced by hand it finds the checkout from its
# own place): wine in a private prefix, build-wine/, and what runs it.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$root/build-wine}
export WINEDEBUG=${WINEDEBUG:-fixme-all}
# wine's 64-bit loader itself: the wine wrapper prefers the 32-bit one, which needs a kernel that
# runs 32-bit programs.
wine64=/usr/lib/wine/wine64

# wine_warm: makes the prefix when there is none, keeps its server up and starts wine's
# background services now. Started later, inside a test, they would keep ctest's output pipe
# open, and test discovery would time out.
wine_warm() {
    mkdir -p "$WINEPREFIX"
    [ -d "$WINEPREFIX/drive_c/windows/system32" ] || "$wine64" wineboot -i </dev/null >/dev/null 2>&1
    wineserver -p 2>/dev/null || true  # fails when the server is up already
    "$wine64" cmd /c exit </dev/null >/dev/null 2>&1
}

# wine_stop: ends the prefix's server and everything still running in it.
wine_stop() { wineserver -k 2>/dev/null || true; }

# wine_runs_32bit: whether this machine runs 32-bit Windows programs: wine's 32-bit command
# interpreter, within 30 s. Where the kernel refuses 32-bit programs it fails at once; an emulator
# registered for them machine-wide may let wine start and then hang, so starting alone proves
# nothing.
wine_runs_32bit() { timeout 30 /usr/lib/wine/wine cmd /c exit </dev/null >/dev/null 2>&1; }
