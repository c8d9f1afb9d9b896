# x_server.sh start|stop FILE: a private Xvfb for the unit tests that need a GL context.
# start writes "DISPLAY PID" to FILE; stop ends that server and removes FILE.
set -u
action=$1
file=$2

case "$action" in
start)
    rm -f "$file"
    scratch=$(mktemp)
    # Detached from ctest's pipes, so the start step ends while the server runs on.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$scratch" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 200); do
        [ -s "$scratch" ] && break
        sleep 0.05
    done
    if [ ! -s "$scratch" ]; then
        kill "$pid" 2>/dev/null
        rm -f "$scratch"
        echo "Xvfb did not start" >&2
        exit 1
    fi
    echo ":$(head -n1 "$scratch") $pid" >"$file"
    rm -f "$scratch"
    echo "X server $(cat "$file")"
    ;;
stop)
    [ -s "$file" ] || exit 0
    read -r _ pid <"$file"
    kill "$pid" 2>/dev/null
    rm -f "$file"
    ;;
*)
    echo "usage: x_server.sh start|stop FILE" >&2
    exit 2
    ;;
esac
