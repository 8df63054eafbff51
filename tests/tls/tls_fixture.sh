#!/usr/bin/env bash
# Starts and stops the HTTPS tests' servers around them (a ctest fixture).
#   tls_fixture.sh start FOLDER   fresh certificates, then the servers; waits until they listen
#   tls_fixture.sh stop FOLDER    stops the servers
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=$1
folder=$2
pidfile="$folder/servers.pid"

stop() {
    if [ -f "$pidfile" ]; then
        kill "$(cat "$pidfile")" 2>/dev/null || true
        rm -f "$pidfile"
    fi
}

case "$action" in
start)
    stop
    if ! command -v openssl >/dev/null; then
        echo "openssl is missing: run tools/install-deps.sh" >&2
        exit 1
    fi
    bash "$here/make_test_pki.sh" "$folder"
    # Detached from ctest's pipes, or ctest would wait for it.
    setsid python3 "$here/tls_server.py" "$folder" 900 >"$folder/servers.log" 2>&1 </dev/null &
    echo $! >"$pidfile"
    for _ in $(seq 1 100); do
        [ -s "$folder/ports" ] && { cat "$folder/ports"; exit 0; }
        sleep 0.1
    done
    echo "the TLS servers did not start:" >&2
    cat "$folder/servers.log" >&2
    stop
    exit 1
    ;;
stop) stop ;;
*)
    echo "usage: tls_fixture.sh start|stop FOLDER" >&2
    exit 2
    ;;
esac
