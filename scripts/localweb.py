"""Runs a private nginx on loopback with the server blocks it is given; used by the demo and the tests."""
import os
import shutil
import signal
import socket
import subprocess
import time

NGINX = shutil.which("nginx") or "/usr/sbin/nginx"

MAIN_CONF = """# Private nginx for the Corvane online installer's demo and tests: loopback only, no system files.
%(user)sworker_processes 1;
pid %(prefix)s/nginx.pid;
error_log %(prefix)s/error.log warn;
events { worker_connections 64; }
http {
    access_log %(prefix)s/access.log;
    client_body_temp_path %(prefix)s/tmp/body;
    proxy_temp_path %(prefix)s/tmp/proxy;
    fastcgi_temp_path %(prefix)s/tmp/fastcgi;
    uwsgi_temp_path %(prefix)s/tmp/uwsgi;
    scgi_temp_path %(prefix)s/tmp/scgi;
    sendfile on;
    include %(servers)s;
}
"""


class LocalWeb:
    """One nginx master started in the foreground of its own process group and stopped by stop()."""

    def __init__(self, prefix, server_conf):
        self.prefix = os.path.abspath(prefix)
        self.server_conf = os.path.abspath(server_conf)
        self.proc = None

    def start(self, port, timeout=10):
        os.makedirs(os.path.join(self.prefix, "tmp"), exist_ok=True)
        conf = os.path.join(self.prefix, "nginx.conf")
        with open(conf, "w", encoding="utf-8") as f:
            # A master started by root hands its workers to "nobody", who cannot read a private temporary
            # folder; the served files belong to whoever started it, so the workers stay that user.
            user = "user root;\n" if os.geteuid() == 0 else ""
            f.write(MAIN_CONF % {"user": user, "prefix": self.prefix, "servers": self.server_conf})
        self.proc = subprocess.Popen([NGINX, "-p", self.prefix, "-c", conf, "-g", "daemon off;"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("nginx did not start: %s" % self.proc.stderr.read().decode(errors="replace"))
            try:
                socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
                return self
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("nginx did not listen on port %d" % port)

    def access_log(self):
        try:
            with open(os.path.join(self.prefix, "access.log"), encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def stop(self):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGQUIT)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        self.proc = None
