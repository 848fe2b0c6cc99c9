#!/bin/bash
# Starts the download tests' servers on loopback, all state under STATE_DIR: nginx (user-level, own prefix and
# config), the fault-injecting HTTP server and the FTP servers; given the folder of the test certificates
# (tests/pki/testpki.py), nginx also serves the same files over TLS. Usage: start.sh STATE_DIR [PKI_DIR]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
STATE=${1:?usage: start.sh STATE_DIR [PKI_DIR]}
PKI=${2:+$(cd "$2" && pwd)}
. "$HERE/ports.sh"
PYTHON=/usr/bin/python3

"$HERE/stop.sh" "$STATE" 2>/dev/null || true
rm -rf "$STATE"
mkdir -p "$STATE/www/d" "$STATE/www/auth" "$STATE/tmp" "$STATE/logs"
STATE=$(cd "$STATE" && pwd)
cp "$HERE/ports.sh" "$STATE/ports.sh"

# Contents: deterministic pseudo-random bytes, so that any misplaced byte shows.
"$PYTHON" - "$STATE/www" <<'PY'
import os, random, sys
root = sys.argv[1]
def make(name, size, seed):
    with open(os.path.join(root, name), "wb") as f:
        f.write(random.Random(seed).randbytes(size))
make("small.bin", 100 * 1024 + 37, 1)
make("other.bin", 70 * 1024 + 5, 2)
make("empty.bin", 0, 3)
make("d/setup.exe", 50 * 1024 + 11, 4)
make("d/other.exe", 60 * 1024 + 3, 5)
make("auth/secret.bin", 9000, 6)
PY

if [ "$(id -u)" = 0 ]; then NGINX_USER="user root;"; else NGINX_USER=""; fi
printf 'corvane:{PLAIN}s3cret\n' > "$STATE/htpasswd"
chain=""
for i in 1 2 3 4 5 6; do
    if [ "$i" = 6 ]; then next=/d/setup.exe; else next=/chain/$((i + 1)); fi
    chain="$chain        location = /chain/$i { return 302 $next; }"$'\n'
done
# The same files over TLS, one server per certificate, logged apart from the plain server. The valid one also
# sends a plain URL back to the plain server, and the plain server sends one over to it.
tls=""
if [ -n "$PKI" ]; then
    for server in "$CORVANE_DL_TLS_PORT localhost" "$CORVANE_DL_TLS_EXPIRED_PORT localhost-expired" \
                  "$CORVANE_DL_TLS_UNTRUSTED_PORT untrusted-localhost" "$CORVANE_DL_TLS_OTHER_NAME_PORT other-name"; do
        set -- $server
        tls="$tls    server {
        listen 127.0.0.1:$1 ssl;
        ssl_certificate $PKI/$2.pem;
        ssl_certificate_key $PKI/$2.key;
        access_log $STATE/logs/nginx-tls-access.log probe;
        root $STATE/www;
        location = /to-http { return 302 http://127.0.0.1:$CORVANE_DL_NGINX_PORT/d/setup.exe; }
    }
"
    done
fi
cat > "$STATE/nginx.conf" <<CONF
$NGINX_USER
worker_processes 1;
pid $STATE/nginx.pid;
error_log $STATE/logs/nginx-error.log;
events { worker_connections 256; }
http {
    default_type application/octet-stream;
    log_format probe '\$request_uri|\$status|\$http_range|\$http_pragma';
    access_log $STATE/logs/nginx-access.log probe;
    client_body_temp_path $STATE/tmp/body;
    proxy_temp_path $STATE/tmp/proxy;
    fastcgi_temp_path $STATE/tmp/fastcgi;
    uwsgi_temp_path $STATE/tmp/uwsgi;
    scgi_temp_path $STATE/tmp/scgi;
    sendfile on;
    server {
        listen 127.0.0.1:$CORVANE_DL_NGINX_PORT;
        root $STATE/www;
        location = /r301 { return 301 /d/setup.exe; }
        location = /r302 { return 302 /d/setup.exe; }
        location = /r303 { return 303 /d/setup.exe; }
        location = /r307 { return 307 /d/setup.exe; }
        location = /to-https { return 302 https://localhost:$CORVANE_DL_TLS_PORT/d/setup.exe; }
        location = /to-https-expired { return 302 https://localhost:$CORVANE_DL_TLS_EXPIRED_PORT/d/setup.exe; }
$chain
        location /auth/ {
            auth_basic "corvane";
            auth_basic_user_file $STATE/htpasswd;
        }
        location /limited/ {
            alias $STATE/www/;
            limit_rate $CORVANE_DL_LIMIT_RATE;
        }
    }
$tls}
CONF
nginx -p "$STATE" -c "$STATE/nginx.conf" -e "$STATE/logs/nginx-error.log"

nohup "$PYTHON" "$HERE/fault_server.py" "$CORVANE_DL_FAULT_PORT" "$STATE/www" "$STATE/logs/fault-requests.log" \
    > "$STATE/logs/fault.out" 2>&1 &
echo $! > "$STATE/fault.pid"
nohup "$PYTHON" "$HERE/ftp_server.py" "$CORVANE_DL_FTP_PORT" "$CORVANE_DL_FTP_NOREST_PORT" "$STATE/www" \
    "$STATE/logs/ftp-commands.log" "$CORVANE_DL_PASSIVE_FIRST" "$CORVANE_DL_PASSIVE_LAST" \
    > "$STATE/logs/ftp.out" 2>&1 &
echo $! > "$STATE/ftp.pid"

ports="$CORVANE_DL_NGINX_PORT $CORVANE_DL_FAULT_PORT $CORVANE_DL_FTP_PORT $CORVANE_DL_FTP_NOREST_PORT"
[ -z "$PKI" ] || ports="$ports $CORVANE_DL_TLS_PORT $CORVANE_DL_TLS_EXPIRED_PORT $CORVANE_DL_TLS_UNTRUSTED_PORT"
[ -z "$PKI" ] || ports="$ports $CORVANE_DL_TLS_OTHER_NAME_PORT"
for port in $ports; do
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue 2
        sleep 0.1
    done
    echo "server on port $port did not start; see $STATE/logs" >&2
    exit 1
done
echo "download test servers up under $STATE"
