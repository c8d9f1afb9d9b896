# x_server.sh start|stop FILE [SCREEN]: a private Xvfb (1280x1024x24 by default) for the tests that
# need an X display. start writes "DISPLAY PID" to FILE; stop ends that server and removes FILE.
set -u
file=$2
case $1 in
start)
    scratch=$(mktemp)
    # Detached from ctest's pipes, so the start step ends while the server runs on.
    setsid Xvfb -displayfd 3 -screen 0 "${3:-1280x1024x24}" -nolisten tcp -noreset \
        3>"$scratch" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 200); do [ -s "$scratch" ] && break; sleep 0.05; done
    display=$(head -n1 "$scratch")
    rm -f "$scratch"
    [ -n "$display" ] || { kill $!; echo "Xvfb did not start" >&2; exit 1; }
    echo ":$display $!" | tee "$file"
    ;;
stop)
    [ -s "$file" ] && read -r _ pid <"$file" && kill "$pid"
    rm -f "$file"
    ;;
*) echo "usage: x_server.sh start|stop FILE [SCREEN]" >&2 && exit 2 ;;
esac
