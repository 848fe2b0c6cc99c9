#!/usr/bin/python3
"""MD5 benchmark driver: runs the native md5_bench (build/bench) beside md5sum on a 256 MiB file kept in
build/bench-md5, then the Windows signature_bench (of the build CORVANE_BENCH_BUILD names) on the same file under
Wine, and prints their figures. Usage: make bench-md5, which builds both first; run.py --smoke does the same on
a 16 MiB file, once each."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NATIVE = os.path.join(ROOT, "build", "bench")
WINDOWS = os.environ.get("CORVANE_BENCH_BUILD", os.path.join(ROOT, "build", "win32"))
DATA_DIR = os.path.join(ROOT, "build", "bench-md5")


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def main(argv):
    smoke = argv[1:] == ["--smoke"]
    data = os.path.join(DATA_DIR, "md5-smoke.bin" if smoke else "md5-bench.bin")
    os.makedirs(DATA_DIR, exist_ok=True)
    out = run([os.path.join(NATIVE, "bin", "md5_bench"), data] + (["1", "16"] if smoke else []),
              capture_output=True, text=True).stdout
    digest = None
    for line in out.splitlines():
        if line.startswith("digest "):
            digest = line.split()[1]
        else:
            print(line)
    if not digest:
        sys.exit("md5_bench printed no digest")
    print("  aim: ratio 0.9 or better\n")
    sys.stdout.flush()
    windows_path = "Z:" + data.replace("/", "\\")
    run([os.path.join(ROOT, "scripts", "wine-run.sh"), os.path.join(WINDOWS, "bin", "signature_bench.exe"),
         windows_path, digest])
    print("  aim: FileSignature's growth a few MiB at most (its piece buffer); the whole-file read shows the meter"
          "\n  sees a file-sized buffer (under Wine only the working set counter follows heap use)")


if __name__ == "__main__":
    main(sys.argv)
