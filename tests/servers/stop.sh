#!/bin/bash
# Stops the servers that start.sh started under STATE_DIR. Usage: stop.sh STATE_DIR
STATE=${1:?usage: stop.sh STATE_DIR}
[ -f "$STATE/nginx.pid" ] && nginx -p "$STATE" -c "$STATE/nginx.conf" -e "$STATE/logs/nginx-error.log" -s stop
for name in fault ftp; do
    if [ -f "$STATE/$name.pid" ]; then
        kill "$(cat "$STATE/$name.pid")" 2>/dev/null
        rm -f "$STATE/$name.pid"
    fi
done
exit 0
