#!/bin/bash
# Stops the servers that start.sh started under STATE_DIR. Usage: stop.sh STATE_DIR
STATE=${1:?usage: stop.sh STATE_DIR}
[ -d "$STATE" ] || exit 0
STATE=$(cd "$STATE" && pwd)
if [ -f "$STATE/nginx.pid" ]; then
    nginx -p "$STATE" -c "$STATE/nginx.conf" -e "$STATE/logs/nginx-error.log" -s stop
    # The master removes its pid file once it has let go of the port.
    for _ in $(seq 50); do
        [ -f "$STATE/nginx.pid" ] || break
        sleep 0.1
    done
fi
for name in fault ftp; do
    if [ -f "$STATE/$name.pid" ]; then
        kill "$(cat "$STATE/$name.pid")" 2>/dev/null
        rm -f "$STATE/$name.pid"
    fi
done
exit 0
