#!/usr/bin/python3
"""Fault-injecting HTTP server for the download tests: the misbehaviours real servers won't show.

Serves the files of a document root under /<fault>/<path>; every request line and its headers are appended to a
log as one JSON object per line (with "tls" telling how it came), so tests can check the exact bytes a client sent.

Faults:
  /file/PATH           honest: 200, or 206 for "Range: bytes=N-" or "bytes=N-M", 416 past the end
  /ignore-range/PATH   200 with the whole body, whatever the Range
  /short/PATH?cut=K    honest headers for the requested range, but only K body bytes, then the connection closes
  /reset/PATH?cut=K    as /short/, but the connection is reset (RST) instead of closed when the cut shortened
                       the body
  /nolength/PATH       200, no Content-Length, the body ends when the connection closes
  /chunked/PATH        200 with the whole body in chunks of 4 KiB (Transfer-Encoding: chunked), whatever the Range
  /nosize/PATH         500 for a closed range (a first-byte request); honest otherwise
  /wronglength/PATH    200 with a Content-Length 1000 bytes above the body's, then the connection closes
  /drip/PATH?ms=T&chunk=B&fast=F&stall=K&key=X
                       honest headers and F body bytes at once (none unless given), then B bytes (512 unless
                       given) every T milliseconds; with stall, the first request for the body's remainder under
                       key X falls silent after K body bytes, the connection open (as /silent/ holds it)
  /stall/PATH?cut=K    for the body's remainder ("bytes=N-" or none): honest headers and K body bytes, then
                       silence with the connection open (for 120 s); honest for a closed range
  /flaky/PATH?cuts=N&cut=K&key=X
                       the first N requests for the body's remainder ("bytes=N-" or none) under key X are cut
                       after K bytes as /reset/ is; later ones, and requests for a closed range, are honest
  /status/PATH?code=N  the whole file as the body of an answer with status N (an error page, an odd success)
  /silent/ANY          reads the request and answers nothing, the connection open until the client closes it
  /headers/PATH        honest headers of a 200 with the file's length, then silence as /silent/ is
  /slowheaders/PATH?ms=T&count=N
                       a 200 whose headers trickle: N bytes of one header, one every T milliseconds, then the
                       rest of the headers and the file
  /endless/ANY         200 without a length, then bytes at full speed for as long as the client reads
  any path?redirect=V  302 with the Location value V, as given (relative, absolute path or absolute URL)

Given a fourth argument, a path with its query, every request is answered as if it had asked for that path (the
log keeps the request line it sent): a client that asks for a fixed path, as the installer asks its service, meets
any of the faults.

A client that opens with a TLS handshake gets all of the above over TLS on the same port, with the certificate of
fault_server.pem: self-signed, for the name corvane-expired.invalid, expired since 2021.
"""
import json
import os
import socket
import ssl
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

ROOT = sys.argv[2]
LOG = sys.argv[3]
FIXED_PATH = sys.argv[4] if len(sys.argv) > 4 else None
_log_lock = threading.Lock()
_cuts_lock = threading.Lock()
_cuts_made = {}
TLS = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
TLS.load_cert_chain(os.path.join(os.path.dirname(os.path.abspath(__file__)), "fault_server.pem"))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def setup(self):
        # A TLS client speaks first, with a handshake record (content type 22); HTTP begins with a method name.
        if self.request.recv(1, socket.MSG_PEEK) == b"\x16":
            self.request = TLS.wrap_socket(self.request, server_side=True)
        super().setup()

    def record(self):
        entry = {"line": self.requestline, "headers": [[k, v] for k, v in self.headers.items()],
                 "tls": isinstance(self.connection, ssl.SSLSocket)}
        with _log_lock, open(LOG, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def body_of(self, name):
        path = os.path.realpath(os.path.join(ROOT, name))
        if not path.startswith(os.path.realpath(ROOT) + os.sep) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def byte_range(self):
        """(first, last) of a "bytes=N-" or "bytes=N-M" Range header, last None when open; None without one."""
        value = self.headers.get("Range", "")
        if not value.startswith("bytes=") or value.count("-") != 1:
            return None
        first, last = value[6:].split("-")
        if not first.isdigit() or not (last == "" or last.isdigit()):
            return None
        return int(first), (int(last) if last else None)

    def send_head(self, status, length, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()

    def honest(self, data):
        """Answers as a correct server would; returns the body bytes still to send, or None when done."""
        wanted = self.byte_range()
        if wanted is None:
            self.send_head(200, len(data), [("Accept-Ranges", "bytes")])
            return data
        start, last = wanted
        if start >= len(data):
            self.send_head(416, 0, [("Content-Range", "bytes */%d" % len(data))])
            return None
        end = len(data) if last is None else min(last + 1, len(data))
        self.send_head(206, end - start, [("Content-Range", "bytes %d-%d/%d" % (start, end - 1, len(data)))])
        return data[start:end]

    def take_cut(self, key, cuts):
        """True for the first `cuts` requests for the rest of the body under key."""
        wanted = self.byte_range()
        if wanted is not None and wanted[1] is not None:
            return False
        with _cuts_lock:
            made = _cuts_made.get(key, 0)
            if made >= cuts:
                return False
            _cuts_made[key] = made + 1
            return True

    def reset(self):
        # A reset throws away what the peer has not yet received; give the bytes sent the time to arrive.
        self.wfile.flush()
        time.sleep(0.3)
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()
        self.close_connection = True

    def hold(self):
        """Keeps the connection open and silent until the client closes it (or for 120 s)."""
        self.wfile.flush()
        self.connection.settimeout(120)
        try:
            while self.connection.recv(4096):
                pass
        except OSError:
            pass
        self.close_connection = True

    def endless(self):
        self.send_head(200, None, [("Content-Type", "text/xml"), ("Connection", "close")])
        block = b"<qzvrsetup fileurl='http://127.0.0.1/endless' " * 1400
        try:
            while True:
                self.wfile.write(block)
        except OSError:
            pass
        self.close_connection = True

    def do_GET(self):
        self.record()
        url = urlsplit(FIXED_PATH or self.path)
        query = {k: v[0] for k, v in parse_qs(url.query).items()}
        parts = url.path.strip("/").split("/")
        fault, name = parts[0], "/".join(parts[1:])
        if "redirect" in query:
            self.send_head(302, 0, [("Location", query["redirect"])])
            return
        if fault == "silent":
            self.hold()
            return
        if fault == "endless":
            self.endless()
            return
        data = self.body_of(name)
        if data is None:
            self.send_head(404, 0)
            return
        if fault == "file":
            rest = self.honest(data)
            if rest:
                self.wfile.write(rest)
        elif fault == "ignore-range":
            self.send_head(200, len(data))
            self.wfile.write(data)
        elif fault in ("short", "reset"):
            rest = self.honest(data)
            cut = int(query.get("cut", "1000"))
            if rest:
                self.wfile.write(rest[:cut])
                # A response the cut left whole (a first-byte request) is complete, and a client may send its next
                # request on the connection at once: it is closed at once, never reset while that request waits.
                if fault == "reset" and len(rest) > cut:
                    self.reset()
                    return
            self.close_connection = True
        elif fault == "stall":
            wanted = self.byte_range()
            rest = self.honest(data)
            if rest and wanted is not None and wanted[1] is not None:
                self.wfile.write(rest)
            elif rest:
                self.wfile.write(rest[:int(query.get("cut", "1000"))])
                self.wfile.flush()
                time.sleep(120)
            self.close_connection = True
        elif fault == "flaky":
            cut = self.take_cut(query.get("key", name), int(query.get("cuts", "1")))
            rest = self.honest(data)
            if rest and cut:
                self.wfile.write(rest[:int(query.get("cut", "1000"))])
                self.reset()
                return
            if rest:
                self.wfile.write(rest)
        elif fault == "chunked":
            self.send_head(200, None, [("Transfer-Encoding", "chunked")])
            for i in range(0, len(data), 4096):
                piece = data[i:i + 4096]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif fault == "nosize":
            wanted = self.byte_range()
            if wanted is not None and wanted[1] is not None:
                self.send_head(500, 0)
                return
            rest = self.honest(data)
            if rest:
                self.wfile.write(rest)
        elif fault == "nolength":
            self.send_head(200, None, [("Connection", "close")])
            self.wfile.write(data)
            self.close_connection = True
        elif fault == "wronglength":
            self.send_head(200, len(data) + 1000, [("Connection", "close")])
            self.wfile.write(data)
            self.close_connection = True
        elif fault == "status":
            self.send_head(int(query.get("code", "200")), len(data))
            self.wfile.write(data)
        elif fault == "slowheaders":
            delay = int(query.get("ms", "1000")) / 1000.0
            try:
                self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Trickle: ")
                for _ in range(int(query.get("count", "60"))):
                    self.wfile.flush()
                    time.sleep(delay)
                    self.wfile.write(b"x")
                self.wfile.write(b"\r\nContent-Length: %d\r\n\r\n" % len(data))
                self.wfile.write(data)
            except OSError:
                self.close_connection = True
        elif fault == "headers":
            self.send_head(200, len(data))
            self.hold()
        elif fault == "drip":
            silent = "stall" in query and self.take_cut(query.get("key", name), 1)
            rest = self.honest(data) or b""
            if silent:
                rest = rest[:int(query["stall"])]
            delay = int(query.get("ms", "50")) / 1000.0
            chunk = int(query.get("chunk", "512"))
            fast = int(query.get("fast", "0"))
            try:
                self.wfile.write(rest[:fast])
                for i in range(fast, len(rest), chunk):
                    self.wfile.write(rest[i:i + chunk])
                    self.wfile.flush()
                    time.sleep(delay)
            except (BrokenPipeError, ConnectionResetError):
                self.close_connection = True
                return
            if silent:
                self.hold()
        else:
            self.send_head(404, 0)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


if __name__ == "__main__":
    Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
