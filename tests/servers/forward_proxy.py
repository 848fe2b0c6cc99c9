#!/usr/bin/python3
"""A forward HTTP proxy for the tests: forwards each request it is sent and logs what it forwards.

Usage: forward_proxy.py PORT LOG

A request in absolute form ("GET http://host:port/path HTTP/1.1") goes to host:port as the same request in origin
form, its headers as they came (the proxy's own hop-by-hop headers left out, "Connection: close" added); the
answer comes back byte for byte and the connection then closes. Names under ".test" (reserved: no resolver knows
them) are reached at 127.0.0.1, so that only a client going through this proxy reaches a server by such a name.
Each request is appended to LOG as one JSON object per line: the request line, the headers forwarded and the
address reached.
"""
import json
import socket
import sys
import threading
from socketserver import StreamRequestHandler, ThreadingTCPServer
from urllib.parse import urlsplit

LOG = sys.argv[2]
_log_lock = threading.Lock()
HOP_BY_HOP = {"connection", "proxy-connection", "keep-alive", "proxy-authorization", "te", "trailer", "upgrade"}


def address_of(host, port):
    return ("127.0.0.1" if host.lower().endswith(".test") else host), port


class Handler(StreamRequestHandler):
    def log(self, line, headers, address):
        entry = {"line": line, "headers": headers, "address": "%s:%d" % address}
        with _log_lock, open(LOG, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def handle(self):
        line = self.rfile.readline(65537).decode("latin-1").rstrip("\r\n")
        headers = []
        while True:
            header = self.rfile.readline(65537).decode("latin-1").rstrip("\r\n")
            if not header:
                break
            name, _, value = header.partition(":")
            headers.append([name.strip(), value.strip()])
        parts = line.split()
        if len(parts) != 3:
            return
        method, target, version = parts
        url = urlsplit(target)
        address = address_of(url.hostname, url.port or 80)
        forwarded = [[k, v] for k, v in headers if k.lower() not in HOP_BY_HOP] + [["Connection", "close"]]
        self.log(line, forwarded, address)
        path = (url.path or "/") + ("?" + url.query if url.query else "")
        head = ["%s %s %s" % (method, path, version)] + ["%s: %s" % (k, v) for k, v in forwarded]
        request = "\r\n".join(head) + "\r\n\r\n"
        try:
            upstream = socket.create_connection(address)
        except OSError:
            self.wfile.write(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            return
        with upstream:
            try:
                upstream.sendall(request.encode("latin-1"))
                while True:
                    data = upstream.recv(65536)
                    if not data:
                        break
                    self.wfile.write(data)
            except OSError:
                pass


class Server(ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


if __name__ == "__main__":
    Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
