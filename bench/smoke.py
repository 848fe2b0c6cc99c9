#!/usr/bin/python3
"""Every benchmark once in its short form: each must end well and print its figures; their values are not judged.
The native benchmarks run once, the Windows ones with each program the machine runs (the 32-bit one only where
32-bit code runs natively). Usage: make bench-smoke, which builds them first."""
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
from corvane_arch import probe  # noqa: E402

PYTHON = "/usr/bin/python3"
N = r"(\d+(?:\.\d+)?)"
# A hung benchmark fails its run instead of holding the whole test run.
TIMEOUT = 300


def benchmarks(arch):
    """(name, command, patterns): each pattern must match a line of the output, and each number it captures is a
    figure that must be above zero."""
    build = os.path.join(ROOT, "build", arch)
    windows = [
        ("skin region", [os.path.join(ROOT, "scripts", "wine-run.sh"),
                         os.path.join(build, "bin", "skin_region_bench.exe"), "1"],
         [r"^push button, cut corners .*ApplyImageRegion +%s us +per-pixel squares +%s us" % (N, N),
          r"^all key pixels .*ApplyImageRegion +%s us" % N]),
        ("md5", [PYTHON, os.path.join(ROOT, "bench", "md5", "run.py"), "--smoke"],
         [r"Md5, 256 KiB pieces +best +%s MiB/s" % N, r"md5sum \(a process per run\) +best +%s MiB/s" % N,
          r"^  time %s s \(%s MiB/s\)" % (N, N)]),
        ("download", [PYTHON, os.path.join(ROOT, "bench", "download", "run.py"), "--smoke"],
         [r"^  CDownloadFile +%s s" % N, r"^  bare WinInet 64K +%s s" % N, r"^  curl +%s s" % N,
          r"^    read 512 B \(buffered\) +%s us" % N,
          r"^  unlimited +program +%s s +curl +%s s" % (N, N),
          r"^  limited to \d+ B/s +program +%s s +curl +%s s" % (N, N)]),
        ("service", [PYTHON, os.path.join(ROOT, "bench", "service", "run.py"), "--smoke", "60"],
         [r"^no service +%s s to the message +peak +%s MiB" % (N, N),
          r"^an endless answer +%s s to the message +peak +%s MiB" % (N, N)]),
        ("size", [PYTHON, os.path.join(ROOT, "bench", "size", "run.py"),
                  os.path.join(build, "bin", "CorvaneOnlineSetup.exe")],
         [r": %s bytes" % N, r"^\.text +%s +%s" % (N, N), r"^resources +all +%s" % N]),
    ]
    return [(name + " (" + arch + ")", cmd, patterns) for name, cmd, patterns in windows]


NATIVE = [("xml parse", [os.path.join(ROOT, "build", "bench", "bin", "xml_bench"), "--smoke"],
           [r"^16MiB +%s +%s +%s" % (N, N, N), r"^XmlDocument +%s" % N]),
          ("release day", [PYTHON, os.path.join(ROOT, "bench", "release", "run.py"), "--smoke"],
           [r"^%s +%s +0 +build \d ×%s +%s s +%s / +%s ms" % (wave, N, N, N, N, N)
            for wave in ("cold cache", "after a publish", "after a rollback", "resuming a third")])]


def missing_figures(output, patterns):
    """What the output lacks: a pattern no line matches, or a figure of zero."""
    faults = []
    for pattern in patterns:
        m = re.search(pattern, output, re.MULTILINE)
        if not m:
            faults.append("no line matches %r" % pattern)
        elif any(float(g) <= 0 for g in m.groups()):
            faults.append("a figure of zero in %r" % m.group(0))
    return faults


def run(name, cmd, patterns, env):
    started = time.monotonic()
    try:
        p = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=TIMEOUT)
        output, faults = p.stdout.decode("utf-8", "replace"), []
        if p.returncode != 0:
            faults.append("exit status %d" % p.returncode)
    except subprocess.TimeoutExpired as e:
        output, faults = (e.output or b"").decode("utf-8", "replace"), ["no end within %d s" % TIMEOUT]
    faults += missing_figures(output, patterns)
    print("=== %s: %.1f s%s" % (name, time.monotonic() - started, "" if not faults else ", FAILED"))
    sys.stdout.write(output)
    for fault in faults:
        print("FAILED %s: %s" % (name, fault))
    sys.stdout.flush()
    return not faults


def main():
    runs_32bit, why = probe()
    archs = (["win32"] if runs_32bit else []) + ["win64"]
    print("benchmarks in short form, the Windows ones with the %s programs (32-bit mode: %s)" % (" and ".join(archs),
                                                                                                why))
    failed = [name for name, cmd, patterns in NATIVE if not run(name, cmd, patterns, os.environ)]
    for arch in archs:
        env = dict(os.environ, CORVANE_BIN=os.path.join(ROOT, "build", arch, "bin"),
                   CORVANE_BENCH_BUILD=os.path.join(ROOT, "build", arch), PYTHONPATH=os.path.join(ROOT, "scripts"))
        failed += [name for name, cmd, patterns in benchmarks(arch) if not run(name, cmd, patterns, env)]
    if failed:
        print("benchmarks that failed: %s" % ", ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
