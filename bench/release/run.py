#!/usr/bin/python3
"""Release-day benchmark: many clients at once through the README's nginx cache in front of a corvane-publish origin.

Waves of clients, each speaking the program's protocol (the answer, then the redirect probe, the transfer and the
size request for the build it names, then the MD5 check): a cold cache, right after a second build is published,
right after a rollback to the first, and a third build resumed from its half with Range. Prints per wave the
clients, failures, builds they got, the wave's time, the answer's 50th and 99th percentile latency, the whole
copies of each build the origin sent and the answers that reached it. Exits non-zero when a client failed.
Usage: make bench-release [CLIENTS=N], or bench/release/run.py [--clients N] [--smoke] [--readme FILE] (the
cache example of another README, to compare)."""
import argparse
import collections
import hashlib
import http.client
import os
import random
import re
import shutil
import subprocess
import sys
import threading
import time
from urllib.parse import urlsplit

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from corvane_env import PUBLISH  # noqa: E402
from localservers import LocalWeb  # noqa: E402

WORK = os.path.join(ROOT, "build", "bench-release")
ORIGIN_PORT, CACHE_PORT = 18620, 18621
# The README example's names for the cache's folder and address and the origin's, and the benchmark's.
PLACEHOLDERS = (("/var/cache/corvane", "%(store)s"), ("listen 80;", "listen 127.0.0.1:%d;" % CACHE_PORT),
                ("http://origin.example.com", "http://127.0.0.1:%d" % ORIGIN_PORT))
ANSWER = "/ClientSrv/Getqzvrsetup.aspx?vertype=0"
# The headers the program sends (its answer request; the base headers of every download request).
ANSWER_HEADERS = {"Content-Type": "application/x-www-form-urlencoded", "Pragma": "no-cache",
                  "Cache-Control": "no-cache"}
BASE_HEADERS = {"Accept": "*/*", "User-Agent": "Mozilla/5.0 (Windows; U; Windows NT 5.1; zh-CN)"}
NO_CACHE = dict(BASE_HEADERS, Pragma="no-cache")
# A client silent this long has failed, as the program gives up after 30 s of silence; a wave ends by then.
SILENCE = 30
WAVE_LIMIT = 120
# Clients at once use two connections each, and the origin may see as many when nothing collapses them.
CONNECTIONS = 4096


def readme_cache_example(text):
    """The README's nginx cache example: the first indented block that names proxy_cache_path, unindented."""
    block = []
    for line in text.splitlines():
        if line.startswith("    ") or (block and not line.strip()):
            block.append(line[4:])
        elif block and any("proxy_cache_path" in kept for kept in block):
            break
        else:
            block = []
    conf = "\n".join(block).strip("\n")
    if "proxy_cache_path" not in conf:
        raise ValueError("the README shows no nginx cache example (an indented block naming proxy_cache_path)")
    return conf


def on_loopback(example, store):
    """The example with its names for the cache's folder and address and the origin's replaced by the benchmark's."""
    for name, value in PLACEHOLDERS:
        if name not in example:
            raise ValueError("the README's cache example has no %r for the benchmark to replace" % name)
        example = example.replace(name, value % {"store": store})
    return example


def start_cache(example, folder):
    """The cache of the example on loopback, its nginx and its store under folder."""
    return LocalWeb(folder, text=on_loopback(example, os.path.join(folder, "store")),
                    connections=CONNECTIONS).start(CACHE_PORT)


class Failure(Exception):
    pass


def get(path, headers, want):
    """A connection with the response to GET path, its status checked."""
    conn = http.client.HTTPConnection("127.0.0.1", CACHE_PORT, timeout=SILENCE)
    conn.request("GET", path, headers=headers)
    response = conn.getresponse()
    if response.status != want:
        conn.close()
        raise Failure("%s: status %d, not %d" % (path, response.status, want))
    return conn, response


def one_client(start, partial, result):
    """One run of the program; partial is the first bytes of the build it resumes, or None to download afresh.
    Sets result["answer"] to the answer's seconds, then result["got"] to the MD5 of the build it checked."""
    start.wait()
    began = time.monotonic()
    conn, response = get(ANSWER, ANSWER_HEADERS, 200)
    answer = response.read().decode("ascii")
    conn.close()
    result["answer"] = time.monotonic() - began
    found = re.search(r'fileurl="([^"]+)" filesign="([0-9a-f]{32})"', answer)
    if not found:
        raise Failure("an answer without a build: %r" % answer)
    path, signature = urlsplit(found.group(1)).path, found.group(2)
    # A probe for a redirect, its body not read; then the transfer, with the size request sent while it is open.
    get(path, BASE_HEADERS, 200)[0].close()
    ranged = dict(NO_CACHE, Range="bytes=%d-" % len(partial)) if partial else NO_CACHE
    transfer, body = get(path, ranged, 206 if partial else 200)
    try:
        conn, sized = get(path, NO_CACHE, 200)
        conn.close()
        total = int(sized.getheader("Content-Length"))
        md5 = hashlib.md5(partial or b"")
        got = len(partial or b"")
        for piece in iter(lambda: body.read(1 << 16), b""):
            md5.update(piece)
            got += len(piece)
    finally:
        transfer.close()
    if got != total or md5.hexdigest() != signature:
        raise Failure("%d of %d bytes, MD5 %s for the answer's %s" % (got, total, md5.hexdigest(), signature))
    result["got"] = signature


def wave(clients, partial=None):
    """Runs clients at once: (results, failures, seconds); a client that checked no build has failed, whatever
    stopped it."""
    start = threading.Event()
    results = [{} for _ in range(clients)]

    def run(result):
        try:
            one_client(start, partial, result)
        except Exception as e:
            result["failure"] = "%s: %s" % (type(e).__name__, e)

    threads = [threading.Thread(target=run, args=(r,), daemon=True) for r in results]
    for t in threads:
        t.start()
    began = time.monotonic()
    start.set()
    for t in threads:
        t.join(max(0.0, WAVE_LIMIT - (time.monotonic() - began)))
    seconds = time.monotonic() - began
    failures = [r.get("failure", "no end within %d s" % WAVE_LIMIT) for r in results if "got" not in r]
    return results, failures, seconds


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else 0.0


def origin_sent(log, sizes):
    """From the origin's access log (nginx's combined format): the whole copies of each build it sent (bytes sent
    over the build's size) and the answers it served."""
    copies, answers = {md5: 0.0 for md5 in sizes}, 0
    for path, sent in re.findall(r'"GET (\S+) HTTP/[\d.]+" \d{3} (\d+)', log):
        if path == ANSWER:
            answers += 1
        for md5, size in sizes.items():
            if path.startswith("/download/%s/" % md5):
                copies[md5] += int(sent) / size
    return copies, answers


def wait_for_idle_origin(timeout):
    """Returns once no connection to the origin is open: its log then holds every request, the fills the cache
    went on with after their client had gone included."""
    deadline = time.monotonic() + timeout
    while True:
        with open("/proc/net/tcp") as f:
            rows = [line.split() for line in f.readlines()[1:]]
        if not any(row[3] == "01" and row[1].endswith(":%04X" % ORIGIN_PORT) for row in rows):
            return
        if time.monotonic() > deadline:
            raise RuntimeError("the origin still had connections open after %d s" % timeout)
        time.sleep(0.05)


def publish(source):
    subprocess.run([PUBLISH, source, "http://127.0.0.1:%d/download/setup.exe" % CACHE_PORT, "--out",
                    os.path.join(WORK, "origin", "pub"), "--listen", "127.0.0.1:%d" % ORIGIN_PORT], check=True,
                   stdout=subprocess.DEVNULL)


def make_build(number, size):
    """A build of size pseudo-random bytes: its path and its MD5."""
    data = random.Random(number).randbytes(size)
    path = os.path.join(WORK, "build%d.exe" % number)
    with open(path, "wb") as f:
        f.write(data)
    return path, hashlib.md5(data).hexdigest()


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--clients", type=int, default=100)
    p.add_argument("--smoke", action="store_true", help="20 clients and 1 MiB builds")
    p.add_argument("--readme", default=os.path.join(ROOT, "README.md"))
    args = p.parse_args(argv[1:])
    clients, size = (20, 1 << 20) if args.smoke else (args.clients, 8 << 20)
    with open(args.readme, encoding="utf-8") as f:
        example = readme_cache_example(f.read())
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    builds = [make_build(n, size) for n in (1, 2, 3)]
    sources = [path for path, _ in builds]
    names = {md5: "build %d" % n for n, (_, md5) in enumerate(builds, 1)}
    sizes = dict.fromkeys(names, size)
    publish(sources[0])
    origin = LocalWeb(os.path.join(WORK, "origin"), os.path.join(WORK, "origin", "pub", "corvane-setup.conf"),
                      connections=CONNECTIONS).start(ORIGIN_PORT)
    try:
        cache = start_cache(example, os.path.join(WORK, "cache"))
    except RuntimeError:
        origin.stop()
        raise
    with open(sources[2], "rb") as f:
        half = f.read(size // 2)
    waves = [("cold cache", sources[0], None), ("after a publish", sources[1], None),
             ("after a rollback", sources[0], None), ("resuming a third", sources[2], half)]
    print("%d clients at once through %s's nginx cache example; builds of %.0f MiB" % (clients, args.readme,
                                                                                     size / 1048576))
    print("%-18s %7s %8s  %-14s %7s  %-17s  %-28s %s" % ("wave", "clients", "failures", "builds got", "time",
                                                        "answer p50 / p99", "origin's whole copies",
                                                        "answers at the origin"))
    failed, totals = 0, dict.fromkeys(sizes, 0.0)
    try:
        for name, source, partial in waves:
            publish(source)
            logged = len(origin.access_log())
            results, failures, seconds = wave(clients, partial)
            wait_for_idle_origin(SILENCE)
            copies, answers = origin_sent(origin.access_log()[logged:], sizes)
            got = collections.Counter(names[r["got"]] for r in results if "got" in r)
            latencies = [r["answer"] * 1000 for r in results if "answer" in r]
            print("%-18s %7d %8d  %-14s %5.2f s  %6.1f / %6.1f ms  %-28s %d" % (
                name, clients, len(failures), " ".join("%s ×%d" % item for item in sorted(got.items())), seconds,
                percentile(latencies, 0.5), percentile(latencies, 0.99),
                " ".join("%s ×%.2f" % (names[m], c) for m, c in copies.items() if c) or "none", answers))
            for reason in sorted(set(failures))[:5]:
                print("    failure: %s" % reason)
            sys.stdout.flush()
            failed += len(failures)
            for md5, count in copies.items():
                totals[md5] += count
    finally:
        cache.stop()
        origin.stop()
    print("whole copies the origin sent over all waves: %s" % ", ".join("%s ×%.2f" % (names[m], c)
                                                                      for m, c in totals.items()))
    print("aim: no failure; one whole copy of each build from the origin per cache; every answer at the origin")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
