#!/usr/bin/python3
"""Download benchmark driver: serves a 64 MiB file from a loopback nginx, fetches it with CDownloadFile (a window
taking its notifications), a bare WinInet loop and curl, unlimited and over a link limited to 10 MB/s, and
prints the times and their ratios and the per-call costs; then runs the whole program against a loopback service
publishing a 64 MiB installer, from its start to the installer's launch, beside curl on the same URL, and once more
unlimited with its window pinged (WM_NULL) for as long as it is open.
Usage: make bench-download, which builds the program and the benchmark first; run.py --smoke does the same with
4 MiB, once each (CORVANE_BIN and CORVANE_BENCH_BUILD name the program's and the benchmark's builds)."""
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from corvane_env import BIN, EXE, PUBLISH, TITLE, appdata_dir, make_sample_installer, program_arch, wine_environment
from localservers import LIMIT_RATE, NGINX_PORT, DownloadServers, LocalWeb

BUILD = os.environ.get("CORVANE_BENCH_BUILD", os.path.join(ROOT, "build", "win32"))
# The servers' files and the program's runs, apart for each architecture's program.
WORK = os.path.join(ROOT, "build", "bench-download", program_arch())
STATE = os.path.join(WORK, "download-servers")
SMOKE = sys.argv[1:] == ["--smoke"]
SIZE = (4 if SMOKE else 64) * 1024 * 1024
# The median of this many runs: unlimited, and of the whole program over the limited link, where its fixed costs
# (its start, the MD5 check, the launch) come to about 5 % and a single run's noise would hide what the engine adds.
RUNS = 1 if SMOKE else 3
# The window should answer every message within this while the download runs at full speed.
ANSWER_AIM_MS = 100


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def bench_exe(url, runs, costs=False):
    args = [os.path.join(ROOT, "scripts", "wine-run.sh"), os.path.join(BUILD, "bin", "download_bench.exe"), url,
            "Z:" + WORK.replace("/", "\\"), str(runs)] + (["costs"] if costs else [])
    # Its standard error passes through: when it fails, that says why.
    out = run(args, stdout=subprocess.PIPE, text=True).stdout
    return {k: float(v) for k, v in (line.split() for line in out.splitlines() if len(line.split()) == 2)}


def curl(url, runs):
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        run(["curl", "-s", "-o", os.path.join(WORK, "bench-curl.bin"), url])
        times.append(time.perf_counter() - t0)
        assert os.path.getsize(os.path.join(WORK, "bench-curl.bin")) == SIZE
    os.remove(os.path.join(WORK, "bench-curl.bin"))
    return sorted(times)[len(times) // 2]


def run_once(env, data_dir, marker):
    """Seconds from the program's start to the launch of the installer."""
    shutil.rmtree(data_dir, ignore_errors=True)
    t0 = time.perf_counter()
    proc = subprocess.Popen(["wine", EXE], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The shell starts the installer as the program ends; once it has ended, the marker is due soon.
    ended = None
    while not os.path.exists(marker):
        if ended is None and proc.poll() is not None:
            ended = time.perf_counter()
        if ended is not None and time.perf_counter() - ended > 30:
            sys.exit("the program ended without launching the installer")
        time.sleep(0.01)
    took = time.perf_counter() - t0
    proc.wait()
    return took


def pinged_run(env, data_dir, marker):
    """One more run, its window sent WM_NULL every 5 ms by a second program for as long as it is open (not timed:
    the second program takes its share of the machine): the round trips' count, worst and median in ms."""
    pinger = subprocess.Popen(["wine", os.path.join(BIN, "WinDriver.exe"), "pings", TITLE, "1000"], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        pinger.stdout.readline()
        run_once(env, data_dir, marker)
        out = pinger.communicate(timeout=60)[0].decode()
    except subprocess.TimeoutExpired:
        sys.exit("the pinger did not end: it never found the window")
    finally:
        if pinger.poll() is None:
            pinger.kill()
            pinger.wait()
    m = re.search(r"pings=(\d+) max_ms=([\d.]+) median_ms=([\d.]+) unanswered=(\d+)", out)
    if not m:
        sys.exit("the window was not pinged: %r" % out)
    return int(m.group(1)), float(m.group(2)), float(m.group(3)), int(m.group(4))


def program_run(env, host, rate, runs, ping=False):
    """Seconds from the program's start to the launch of the installer (median), curl's on its URL, and with ping
    the WM_NULL round trips of one more run."""
    work = os.path.join(WORK, "program")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    sample = make_sample_installer(os.path.join(work, "CorvaneSuiteSetup.exe"), SIZE)
    cmd = [PUBLISH, sample, "http://%s/download/CorvaneSuiteSetup.exe" % host, "--out", os.path.join(work, "pub"),
           "--listen", host]
    published = run(cmd + (["--limit-rate", str(rate)] if rate else []), stdout=subprocess.PIPE).stdout.decode()
    # The build's own URL, the one the answer names.
    url = re.search(r"^fileurl +(\S+)$", published, re.MULTILINE).group(1)
    web = LocalWeb(os.path.join(work, "nginx"), os.path.join(work, "pub", "corvane-setup.conf"))
    web.start(int(host.rsplit(":", 1)[1]))
    data_dir = os.path.join(appdata_dir(env), "ravlet")
    marker = os.path.join(data_dir, "sample-installer-started.txt")
    try:
        times = [run_once(env, data_dir, marker) for _ in range(runs)]
        pings = pinged_run(env, data_dir, marker) if ping else None
        c = curl(url, runs)
    finally:
        web.stop()
    shutil.rmtree(data_dir, ignore_errors=True)
    return sorted(times)[len(times) // 2], c, pings


def main():
    servers = DownloadServers(STATE).start()
    try:
        with open(os.path.join(STATE, "www", "big.bin"), "wb") as f:
            f.write(os.urandom(SIZE))
        base = "http://127.0.0.1:%d/" % NGINX_PORT
        print("%d MiB over loopback nginx, Wine %s, the programs of %s" % (
            SIZE >> 20, run(["wine", "--version"], capture_output=True, text=True).stdout.strip(),
            os.path.relpath(BUILD, ROOT)))
        for label, url, runs in (("unlimited", base + "big.bin", RUNS), ("limited to %d B/s" % LIMIT_RATE,
                                                                         base + "limited/big.bin", 1)):
            r = bench_exe(url, runs, costs=label == "unlimited")
            c = curl(url, runs)
            if r["engine_bytes"] != SIZE or r["window_received"] != SIZE:
                sys.exit("engine fetched %d bytes, window saw %d" % (r["engine_bytes"], r["window_received"]))
            print("\n%s (median of %d):" % (label, runs))
            print("  CDownloadFile     %7.3f s  (%.1f MB/s; window drained after %.3f s)"
                  % (r["engine_s"], SIZE / r["engine_s"] / 1e6, r["engine_drained_s"]))
            print("    of which before the body (redirect probe, transfer and size requests) %.3f s"
                  % r["engine_setup_s"])
            print("  bare WinInet 64K  %7.3f s  (%.1f MB/s)" % (r["bare_s"], SIZE / r["bare_s"] / 1e6))
            print("  curl              %7.3f s  (%.1f MB/s)" % (c, SIZE / c / 1e6))
            print("  ratio engine/bare %7.2f" % (r["engine_s"] / r["bare_s"]))
            print("  ratio engine/curl %7.2f" % (r["engine_s"] / c))
            print("  the window took %d notifications (%d chunks of 512 bytes)"
                  % (r["engine_messages"], r["engine_chunks"]))
            if "chunk_read_us" in r:
                chunks = r["engine_chunks"]
                posts = r["engine_messages"]
                parts = [("read 512 B (buffered)", r["chunk_read_us"], chunks),
                         ("write 512 B, unbuffered", r["chunk_write_us"], chunks),
                         ("write 512 B, behind", r["chunk_write_behind_us"], chunks),
                         ("clock (GetTickCount)", r["chunk_clock_us"], chunks),
                         ("post", r["chunk_post_us"], posts)]
                print("  costs per call, and per file:")
                for name, us, calls in parts:
                    print("    %-22s %6.2f us x %8d -> %6.3f s" % (name, us, calls, us * calls / 1e6))
                print("    %-22s %6.2f us per chunk (after the requests before the body)"
                      % ("measured engine", (r["engine_s"] - r["engine_setup_s"]) / chunks * 1e6))
                print("  reads that reached WinInet (read-ahead fills of up to %d KiB):"
                      % (r["read_ahead_bytes"] // 1024))
                for key, label in (("fill_reported", "earlier: the bytes InternetQueryDataAvailable reported"),
                                   ("fill_readahead", "now: what has arrived, or a buffer at a fast pace")):
                    n = max(1, r[key + "_count"])
                    print("    %-54s %7d fills of %7.0f B on average, %6.2f us each"
                          % (label, r[key + "_count"], r[key + "_bytes"] / n, r[key + "_us"]))
                behind = int(r["write_behind_bytes"])
                print("  writes that reached the system: earlier one per chunk (%d), now one per %d KiB (%d)"
                      % (chunks, behind // 1024, (SIZE + behind - 1) // behind))
    finally:
        servers.stop()

    env = wine_environment()
    host = os.environ.get("CORVANE_SETUP_HOST", "127.0.0.1:18431")
    print("\nthe whole program, start to launch, %d MiB installer from a loopback service (%s):" % (SIZE >> 20, host))
    for label, rate, runs in (("unlimited", None, RUNS), ("limited to %d B/s" % LIMIT_RATE, LIMIT_RATE, RUNS)):
        program, c, pings = program_run(env, host, rate, runs, ping=rate is None)
        print("  %-18s program %7.3f s   curl %7.3f s   ratio %5.2f   (median of %d)" % (label, program, c, program / c,
                                                                                     runs))
        if pings:
            n, worst, median, unanswered = pings
            print("  the window during one more unlimited run: %d WM_NULL round trips, worst %.1f ms, median %.2f ms, "
                  "%d unanswered within 1 s (aim: each within %d ms)" % (n, worst, median, unanswered, ANSWER_AIM_MS))


if __name__ == "__main__":
    main()
