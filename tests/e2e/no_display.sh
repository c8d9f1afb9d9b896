# Without a display no message box can appear: one line naming the display on standard error,
# nothing on standard output, exit code 0.
source "$(dirname "$0")/lib/common.sh"
env -u DISPLAY -u WAYLAND_DISPLAY "$BUILD/quadrise" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
code=$?
[ "$code" = 0 ] || fail "exit code $code"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q display "$E2E_TMP/err" || fail "stderr: $(cat "$E2E_TMP/err")"
[ ! -s "$E2E_TMP/out" ] || fail "unexpected output: $(cat "$E2E_TMP/out")"
