#!/usr/bin/python3
"""Download benchmark driver: serves a 64 MiB file from a loopback nginx, fetches it with CDownloadFile (a window
taking its notifications), a bare WinInet loop and curl, unlimited and over a link limited to 10 MB/s, and
prints the times and their ratios. Usage: bench/download/run.py (or make bench-download)."""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build", "bench-win32")
STATE = os.path.join(BUILD, "download-servers")
SERVERS = os.path.join(ROOT, "tests", "servers")
SIZE = 64 * 1024 * 1024


def ports():
    values = {}
    with open(os.path.join(SERVERS, "ports.sh")) as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.strip().split("=", 1)
                values[key] = value
    return values


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def bench_exe(url, runs, costs=False):
    args = [os.path.join(ROOT, "scripts", "wine-run.sh"), os.path.join(BUILD, "bin", "download_bench.exe"), url,
            "Z:" + BUILD.replace("/", "\\"), str(runs)] + (["costs"] if costs else [])
    out = run(args, capture_output=True, text=True).stdout
    return {k: float(v) for k, v in (line.split() for line in out.splitlines() if len(line.split()) == 2)}


def curl(url, runs):
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        run(["curl", "-s", "-o", os.path.join(BUILD, "bench-curl.bin"), url])
        times.append(time.perf_counter() - t0)
        assert os.path.getsize(os.path.join(BUILD, "bench-curl.bin")) == SIZE
    os.remove(os.path.join(BUILD, "bench-curl.bin"))
    return sorted(times)[len(times) // 2]


def main():
    run(["cmake", "--preset", "win32", "-B", BUILD, "-DCORVANE_DOWNLOAD_BENCH=ON", "-DCORVANE_TESTS=OFF"],
        stdout=subprocess.DEVNULL)
    run(["cmake", "--build", BUILD, "--target", "download_bench", "-j2"], stdout=subprocess.DEVNULL)
    run([os.path.join(SERVERS, "start.sh"), STATE], stdout=subprocess.DEVNULL)
    try:
        with open(os.path.join(STATE, "www", "big.bin"), "wb") as f:
            f.write(os.urandom(SIZE))
        p = ports()
        base = "http://127.0.0.1:%s/" % p["CORVANE_DL_NGINX_PORT"]
        rate = int(p["CORVANE_DL_LIMIT_RATE"])
        print("64 MiB over loopback nginx, Wine %s" % run(["wine", "--version"], capture_output=True,
                                                          text=True).stdout.strip())
        for label, url, runs in (("unlimited", base + "big.bin", 3), ("limited to %d B/s" % rate,
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
            if "chunk_read_us" in r:
                chunks = r["engine_chunks"]
                parts = [("read 512 B (buffered)", r["chunk_read_us"]), ("write 512 B", r["chunk_write_us"]),
                         ("two posts", 2 * r["chunk_post_us"]), ("clock (COleDateTime)", r["chunk_clock_us"])]
                print("  per-chunk costs over %d chunks:" % chunks)
                for name, us in parts:
                    print("    %-22s %6.2f us  -> %6.3f s per file" % (name, us, us * chunks / 1e6))
                print("    %-22s %6.2f us" % ("sum", sum(us for _, us in parts)))
                print("    %-22s %6.2f us  (after the requests before the body)"
                      % ("measured engine", (r["engine_s"] - r["engine_setup_s"]) / chunks * 1e6))
    finally:
        run([os.path.join(SERVERS, "stop.sh"), STATE])


if __name__ == "__main__":
    main()
