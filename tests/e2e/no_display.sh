# Without a display no message box can appear: one clear line on standard error, exit code 0.
build_dir=$1
source "$(dirname "$0")/lib/x11.sh"

env -u DISPLAY -u WAYLAND_DISPLAY "$build_dir/quadrise" >"$E2E_TMP/out" 2>"$E2E_TMP/err"
code=$?
[ "$code" = 0 ] || fail "exit code $code"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] || fail "expected one line on stderr, got: $(cat "$E2E_TMP/err")"
grep -q "display" "$E2E_TMP/err" || fail "the line does not name the display: $(cat "$E2E_TMP/err")"
[ ! -s "$E2E_TMP/out" ] || fail "unexpected output: $(cat "$E2E_TMP/out")"
echo "no display: $(cat "$E2E_TMP/err")"
