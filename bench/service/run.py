#!/usr/bin/python3
"""Setup-info service benchmark: the program against a service that misbehaves as real ones sometimes do (none
at all, silent, headers then silence, a byte every 2 s in the body or in the headers, an answer that never ends),
served by tests/servers/fault_server.py on the service's port. Prints, for each, the seconds from the program's
start to its query failure message and the process's peak resident memory by then, beside the run without a
service. Usage: CORVANE_SETUP_HOST=127.0.0.1:18431 PYTHONPATH=scripts bench/service/run.py [--smoke]
[GIVE_UP_SECONDS]; CORVANE_BIN names another build's bin folder. --smoke runs the two cases the program ends
within seconds (no service, an endless answer)."""
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from corvane_env import EXE, appdata_dir, program_arch, wine_environment
from localservers import PYTHON, SERVERS, ServerProcess, _wait_for_ports

WORK = os.path.join(ROOT, "build", "bench-service", program_arch())
PORT = int(os.environ.get("CORVANE_SETUP_HOST", "127.0.0.1:18431").rsplit(":", 1)[1])
ANSWER = b'<?xml version="1.0" encoding="gb2312" ?><qzvrsetup fileurl="http://127.0.0.1/x.exe" filesign="" />'
CASES = [("no service", None), ("silent", "/silent/x"), ("headers, then silence", "/headers/answer.xml"),
         ("a body byte every 2 s", "/drip/answer.xml?ms=2000&chunk=1"),
         ("a header byte every 2 s", "/slowheaders/answer.xml?ms=2000&count=100000"),
         ("an endless answer", "/endless/x")]
SMOKE_CASES = ("no service", "an endless answer")
# The worker logs this right before it shows the query failure message.
MESSAGE_LINE = "Quillfen: no setup information"


def peak_mib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            return int(re.search(r"VmHWM:\s+(\d+) kB", f.read()).group(1)) / 1024.0
    except (OSError, AttributeError):
        return None


def one_run(env, path, give_up):
    """(seconds to the message or None, how it ended, peak MiB)."""
    fault = None
    if path:
        fault = ServerProcess(os.path.join(WORK, "fault.pid"), os.path.join(WORK, "fault.out"))
        fault.start([PYTHON, os.path.join(SERVERS, "fault_server.py"), str(PORT), os.path.join(WORK, "www"),
                     os.path.join(WORK, "requests.log"), path])
        _wait_for_ports([PORT], [fault])
    log_path = os.path.join(WORK, "run.log")
    peak, seconds, ending = 0.0, None, "no message within %d s" % give_up
    try:
        with open(log_path, "wb") as log:
            started = time.monotonic()
            proc = subprocess.Popen(["wine", EXE], env=dict(env, WINEDEBUG="-all,+debugstr"),
                                    stdout=subprocess.DEVNULL, stderr=log)
            while time.monotonic() - started < give_up:
                peak = max(peak, peak_mib(proc.pid) or 0.0)
                with open(log_path, "rb") as f:
                    if MESSAGE_LINE.encode() in f.read():
                        seconds, ending = time.monotonic() - started, "message"
                        break
                if proc.poll() is not None:
                    ending = "ended without a message (exit %d) after %.0f s" % (proc.returncode,
                                                                                time.monotonic() - started)
                    break
                time.sleep(0.2)
            peak = max(peak, peak_mib(proc.pid) or 0.0)
            proc.kill()
            proc.wait()
    finally:
        if fault:
            fault.stop()
    return seconds, ending, peak


def main(argv):
    smoke = argv[1:2] == ["--smoke"]
    argv = argv[1:] if smoke else argv
    give_up = int(argv[1]) if len(argv) > 1 else 300
    env = wine_environment()
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(os.path.join(WORK, "www"))
    with open(os.path.join(WORK, "www", "answer.xml"), "wb") as f:
        f.write(ANSWER)
    shutil.rmtree(os.path.join(appdata_dir(env), "ravlet"), ignore_errors=True)
    print("program: %s" % EXE)
    baseline = None
    for name, path in CASES:
        if smoke and name not in SMOKE_CASES:
            continue
        seconds, ending, peak = one_run(env, path, give_up)
        baseline = peak if baseline is None else baseline
        shown = "%6.1f s to the message" % seconds if seconds is not None else ending
        print("%-26s %-40s peak %7.1f MiB  (%+.1f MiB beside no service)" % (name, shown, peak, peak - baseline))
        sys.stdout.flush()
    print("  aim: every message within 60 s, and the peak within a few MiB of the run without a service")


if __name__ == "__main__":
    main(sys.argv)
