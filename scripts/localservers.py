#!/usr/bin/python3
"""Starts and stops the local test servers: a private nginx with given server blocks, and the download tests' set.

Usage: localservers.py start STATE [PKI_DIR] | stop STATE   (the download tests' servers, all state under STATE)
"""
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVERS = os.path.join(ROOT, "tests", "servers")
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
PYTHON = "/usr/bin/python3"

# Loopback ports of the download tests' servers (the range 18500-18599 is theirs) and the limited link's rate.
NGINX_PORT = 18510
FAULT_PORT = 18520
FTP_PORT = 18530
FTP_NOREST_PORT = 18531
# nginx over TLS with the test certificates for "localhost": valid, expired, from an untrusted root; and one
# valid for another name only.
TLS_PORT = 18540
TLS_EXPIRED_PORT = 18541
TLS_UNTRUSTED_PORT = 18542
TLS_OTHER_NAME_PORT = 18543
# The tests' forward proxy (tests/servers/forward_proxy.py).
PROXY_PORT = 18550
PASSIVE_FIRST, PASSIVE_LAST = 18560, 18599
LIMIT_RATE = 10000000
# The file in the state folder the C++ tests read the ports from, one NAME=VALUE a line, by these names.
PORTS_FILE = "ports.txt"
PORT_NAMES = {"CORVANE_DL_NGINX_PORT": NGINX_PORT, "CORVANE_DL_FAULT_PORT": FAULT_PORT,
              "CORVANE_DL_FTP_PORT": FTP_PORT, "CORVANE_DL_FTP_NOREST_PORT": FTP_NOREST_PORT,
              "CORVANE_DL_TLS_PORT": TLS_PORT, "CORVANE_DL_TLS_EXPIRED_PORT": TLS_EXPIRED_PORT,
              "CORVANE_DL_TLS_UNTRUSTED_PORT": TLS_UNTRUSTED_PORT,
              "CORVANE_DL_TLS_OTHER_NAME_PORT": TLS_OTHER_NAME_PORT, "CORVANE_DL_PROXY_PORT": PROXY_PORT}

MAIN_CONF = """# Private nginx on loopback for the demo and the tests: no system files.
%(user)sworker_processes 1;
pid %(prefix)s/tmp/nginx.pid;
error_log %(prefix)s/logs/nginx-error.log warn;
events { worker_connections %(connections)d; }
http {
    access_log %(prefix)s/logs/nginx-access.log;
    client_body_temp_path %(prefix)s/tmp/body;
    proxy_temp_path %(prefix)s/tmp/proxy;
    fastcgi_temp_path %(prefix)s/tmp/fastcgi;
    uwsgi_temp_path %(prefix)s/tmp/uwsgi;
    scgi_temp_path %(prefix)s/tmp/scgi;
    sendfile on;
%(servers)s
}
"""

STOP_TIMEOUT = 10


def _identity(pid):
    """The process's start time (which tells it from a later one given the same id), or None once it has ended."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return None
    return None if fields[0] == "Z" else fields[19]


class ServerProcess:
    """A server in its own session, recorded in a pid file so that a later process can stop it."""

    def __init__(self, pid_file, out_file):
        self.pid_file = pid_file
        self.out_file = out_file
        self.proc = None

    def start(self, argv):
        with open(self.out_file, "ab") as out:
            self.proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                         start_new_session=True)
        with open(self.pid_file, "w") as f:
            f.write("%d %s\n" % (self.proc.pid, _identity(self.proc.pid)))
        return self

    def check_running(self):
        """Raises with the server's output once the server this process started has ended."""
        if self.proc is not None and self.proc.poll() is not None:
            with open(self.out_file, errors="replace") as f:
                raise RuntimeError("the server writing %s ended (%d): %s" % (self.out_file, self.proc.returncode,
                                                                              f.read()))

    def stop(self):
        """Ends the server's process group and waits until the server has really ended."""
        try:
            with open(self.pid_file) as f:
                pid, started = f.read().split()
        except FileNotFoundError:
            return
        pid = int(pid)
        for sig in (signal.SIGTERM, signal.SIGKILL):
            if _identity(pid) != started:
                break
            os.killpg(pid, sig)
            deadline = time.monotonic() + STOP_TIMEOUT
            while _identity(pid) == started and time.monotonic() < deadline:
                time.sleep(0.02)
        if _identity(pid) == started:
            raise RuntimeError("process %d did not end" % pid)
        if self.proc:
            self.proc.wait()
        os.remove(self.pid_file)


def _answers(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
        return True
    except OSError:
        return False


def _check_free(ports):
    """A port taken by another program would answer for ours."""
    taken = [port for port in ports if _answers(port)]
    if taken:
        raise RuntimeError("ports already in use: %s" % " ".join(map(str, taken)))


def _wait_for_ports(ports, processes, timeout=10):
    deadline = time.monotonic() + timeout
    for port in ports:
        while not _answers(port):
            for process in processes:
                process.check_running()
            if time.monotonic() > deadline:
                raise RuntimeError("nothing answers on port %d" % port)
            time.sleep(0.05)


class LocalWeb:
    """A private nginx under prefix serving the server blocks of a file to include, or of the text given, with
    connections open at once at most."""

    def __init__(self, prefix, include=None, text="", connections=256):
        self.prefix = os.path.abspath(prefix)
        self.connections = connections
        blocks = [text.rstrip("\n")] if text else []
        if include:
            blocks.append("    include %s;" % os.path.abspath(include))
        self.servers = "\n".join(blocks)
        self.process = ServerProcess(os.path.join(self.prefix, "nginx.pid"),
                                     os.path.join(self.prefix, "logs", "nginx.out"))

    def start(self, *ports):
        """Starts nginx and waits until every port answers."""
        _check_free(ports)
        for folder in ("tmp", "logs"):
            os.makedirs(os.path.join(self.prefix, folder), exist_ok=True)
        conf = os.path.join(self.prefix, "nginx.conf")
        with open(conf, "w", encoding="utf-8") as f:
            # A master started by root hands its workers to "nobody", who cannot read a private temporary
            # folder; the served files belong to whoever started it, so the workers stay that user.
            user = "user root;\n" if os.geteuid() == 0 else ""
            f.write(MAIN_CONF % {"user": user, "prefix": self.prefix, "servers": self.servers,
                                "connections": self.connections})
        # In the foreground, so that the pid file names the master, which ends its workers with it.
        errors = os.path.join(self.prefix, "logs", "nginx-error.log")
        self.process.start([NGINX, "-p", self.prefix, "-c", conf, "-e", errors, "-g", "daemon off;"])
        try:
            _wait_for_ports(ports, [self.process])
        except RuntimeError:
            self.stop()
            raise
        return self

    def access_log(self):
        try:
            with open(os.path.join(self.prefix, "logs", "nginx-access.log"), encoding="utf-8",
                      errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def stop(self):
        self.process.stop()


def _download_conf(state, pki):
    """The download tests' server blocks: files, redirects, a redirect chain, basic auth, a limited link, TLS."""
    chain = "".join("        location = /chain/%d { return 302 %s; }\n"
                    % (i, "/d/setup.exe" if i == 6 else "/chain/%d" % (i + 1)) for i in range(1, 7))
    # The same files over TLS, one server per certificate, logged apart from the plain server. The valid one
    # also sends a plain URL back to the plain server, and the plain server sends one over to it.
    tls = "".join("""    server {
        listen 127.0.0.1:%(port)d ssl;
        ssl_certificate %(pki)s/%(name)s.pem;
        ssl_certificate_key %(pki)s/%(name)s.key;
        access_log %(state)s/logs/nginx-tls-access.log probe;
        root %(state)s/www;
        location = /to-http { return 302 http://127.0.0.1:%(plain)d/d/setup.exe; }
    }
""" % {"port": port, "name": name, "pki": pki, "state": state, "plain": NGINX_PORT}
                  for port, name in _tls_servers(pki))
    return """    default_type application/octet-stream;
    log_format probe '$request_uri|$status|$http_range|$http_pragma';
    server {
        listen 127.0.0.1:%(port)d;
        access_log %(state)s/logs/nginx-access.log probe;
        root %(state)s/www;
        location = /r301 { return 301 /d/setup.exe; }
        location = /r302 { return 302 /d/setup.exe; }
        location = /r303 { return 303 /d/setup.exe; }
        location = /r307 { return 307 /d/setup.exe; }
        location = /to-https { return 302 https://localhost:%(tls)d/d/setup.exe; }
        location = /to-https-expired { return 302 https://localhost:%(expired)d/d/setup.exe; }
%(chain)s        location /auth/ {
            auth_basic "corvane";
            auth_basic_user_file %(state)s/htpasswd;
        }
        location /limited/ {
            alias %(state)s/www/;
            limit_rate %(rate)d;
        }
    }
%(tls_servers)s""" % {"port": NGINX_PORT, "state": state, "tls": TLS_PORT, "expired": TLS_EXPIRED_PORT,
                      "chain": chain, "rate": LIMIT_RATE, "tls_servers": tls}


def _tls_servers(pki):
    if not pki:
        return []
    return [(TLS_PORT, "localhost"), (TLS_EXPIRED_PORT, "localhost-expired"),
            (TLS_UNTRUSTED_PORT, "untrusted-localhost"), (TLS_OTHER_NAME_PORT, "other-name")]


def _make_files(www):
    """Deterministic pseudo-random bytes, so that any misplaced byte shows."""
    for name, size, seed in (("small.bin", 100 * 1024 + 37, 1), ("other.bin", 70 * 1024 + 5, 2),
                             ("empty.bin", 0, 3), ("d/setup.exe", 50 * 1024 + 11, 4),
                             ("d/other.exe", 60 * 1024 + 3, 5), ("auth/secret.bin", 9000, 6)):
        path = os.path.join(www, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(random.Random(seed).randbytes(size))


class DownloadServers:
    """The download tests' servers, all state under one folder: nginx (also over TLS given the folder of the
    test certificates), the fault-injecting HTTP server, the FTP servers and the forward proxy."""

    def __init__(self, state, pki=None):
        self.state = os.path.abspath(state)
        self.pki = os.path.abspath(pki) if pki else None
        self.web = LocalWeb(self.state, text=_download_conf(self.state, self.pki))
        logs = os.path.join(self.state, "logs")
        self.fault = ServerProcess(os.path.join(self.state, "fault.pid"), os.path.join(logs, "fault.out"))
        self.ftp = ServerProcess(os.path.join(self.state, "ftp.pid"), os.path.join(logs, "ftp.out"))
        self.proxy = ServerProcess(os.path.join(self.state, "proxy.pid"), os.path.join(logs, "proxy.out"))

    def start(self):
        self.stop()
        shutil.rmtree(self.state, ignore_errors=True)
        www, logs = os.path.join(self.state, "www"), os.path.join(self.state, "logs")
        os.makedirs(logs)
        _make_files(www)
        with open(os.path.join(self.state, "htpasswd"), "w") as f:
            f.write("corvane:{PLAIN}s3cret\n")
        with open(os.path.join(self.state, PORTS_FILE), "w") as f:
            f.writelines("%s=%d\n" % item for item in PORT_NAMES.items())
        try:
            self.web.start(NGINX_PORT, *(port for port, _ in _tls_servers(self.pki)))
            _check_free([FAULT_PORT, FTP_PORT, FTP_NOREST_PORT, PROXY_PORT])
            self.fault.start([PYTHON, os.path.join(SERVERS, "fault_server.py"), str(FAULT_PORT), www,
                              os.path.join(logs, "fault-requests.log")])
            self.ftp.start([PYTHON, os.path.join(SERVERS, "ftp_server.py"), str(FTP_PORT), str(FTP_NOREST_PORT),
                            www, os.path.join(logs, "ftp-commands.log"), str(PASSIVE_FIRST), str(PASSIVE_LAST)])
            self.proxy.start([PYTHON, os.path.join(SERVERS, "forward_proxy.py"), str(PROXY_PORT),
                              os.path.join(logs, "proxy-requests.log")])
            _wait_for_ports([FAULT_PORT, FTP_PORT, FTP_NOREST_PORT, PROXY_PORT], [self.fault, self.ftp, self.proxy])
        except RuntimeError:
            self.stop()
            raise
        return self

    def stop(self):
        """Stops whatever an earlier start() left running under the state folder, whichever process it was."""
        for process in (self.web, self.fault, self.ftp, self.proxy):
            process.stop()


def main(argv):
    if len(argv) in (3, 4) and argv[1] == "start":
        DownloadServers(argv[2], argv[3] if len(argv) == 4 else None).start()
        print("download test servers up under %s" % os.path.abspath(argv[2]))
    elif len(argv) == 3 and argv[1] == "stop":
        DownloadServers(argv[2]).stop()
    else:
        sys.exit(__doc__.split("\n\n")[1])


if __name__ == "__main__":
    main(sys.argv)
