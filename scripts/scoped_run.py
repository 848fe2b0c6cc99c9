#!/usr/bin/python3
"""Runs a command, then ends what it started and left running, however it ended (by itself, a failure, Ctrl-C or
SIGTERM): the Wine servers it started with the programs they serve, the virtual display it started, its local
servers. What ran before it (a display of the user's, a Wine server) is left alone.
Usage: scoped_run.py COMMAND [ARG...]; the exit status is the command's (128 + N when signal N ended it)."""
import contextlib
import ctypes
import os
import signal
import subprocess
import sys
import time

from localservers import STOP_TIMEOUT, _identity

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Where scripts/wine-env.sh records the virtual display it starts.
XVFB_RECORD = os.path.join(ROOT, "build", "xvfb.pid")
PR_SET_CHILD_SUBREAPER = 36


def xvfb_record():
    try:
        with open(XVFB_RECORD) as f:
            return f.read()
    except FileNotFoundError:
        return None


def stop_display_started_after(earlier):
    """Ends the virtual display wine-env.sh recorded after the record read `earlier`, and puts that record back: it
    names a display an earlier run started, which that run's own stop ends."""
    record = xvfb_record()
    if record is None or record == earlier:
        return
    pid = int(record)
    with contextlib.suppress(OSError):
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if f.read().startswith(b"Xvfb\0"):
                os.kill(pid, signal.SIGTERM)
    wait_ended([pid], STOP_TIMEOUT)
    if earlier is None:
        os.remove(XVFB_RECORD)
    else:
        with open(XVFB_RECORD, "w") as f:
            f.write(earlier)


def processes():
    """pid: (parent pid, environment entries, command line) of every process that has not ended."""
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                state, ppid = f.read().rsplit(")", 1)[1].split()[:2]
            with open("/proc/%s/environ" % name, "rb") as f:
                environ = f.read().split(b"\0")
            with open("/proc/%s/cmdline" % name, "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
        if state != "Z":
            found[int(name)] = (int(ppid), environ, cmdline)
    return found


def with_descendants(pids, table):
    """pids and every process of table below them."""
    ours = set(pids)
    grown = True
    while grown:
        children = {pid for pid, (ppid, _, _) in table.items() if ppid in ours} - ours
        ours |= children
        grown = bool(children)
    return ours


def wait_ended(pids, timeout):
    deadline = time.monotonic() + timeout
    while any(_identity(pid) is not None for pid in pids) and time.monotonic() < deadline:
        time.sleep(0.05)


def stop_started(earlier_record):
    """Ends every process still running below this one: as the subreaper of what the command started, this
    process has inherited whatever of it detached (Wine servers, displays, servers in sessions of their own)."""
    table = processes()
    ours = with_descendants([os.getpid()], table) - {os.getpid()}
    # Asked to end, a Wine server saves the prefix's registry and ends the programs it serves.
    for pid in ours:
        _, environ, cmdline = table[pid]
        if os.path.basename(cmdline.split(" ")[0]).startswith("wineserver"):
            env = {k: v for k, v in os.environ.items() if k != "WINEPREFIX"}
            env.update(os.fsdecode(e).split("=", 1) for e in environ if e.startswith(b"WINEPREFIX="))
            with contextlib.suppress(OSError):
                subprocess.run([os.readlink("/proc/%d/exe" % pid), "-k"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    stop_display_started_after(earlier_record)
    for sig in (signal.SIGTERM, signal.SIGKILL):
        left = with_descendants([os.getpid()], processes()) - {os.getpid()}
        for pid in left:
            with contextlib.suppress(OSError):
                os.kill(pid, sig)
        wait_ended(left, STOP_TIMEOUT)
    with contextlib.suppress(ChildProcessError):
        while os.waitpid(-1, os.WNOHANG)[0]:
            pass


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__.split("\n")[-1])
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    earlier = xvfb_record()
    child = subprocess.Popen(argv[1:])

    # Ctrl-C reaches the terminal's whole foreground job, the command with it; SIGTERM (make passes it on to its
    # recipe) reaches this process alone.
    def on_signal(signum, frame):
        if signum == signal.SIGTERM:
            child.send_signal(signum)

    for signum in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signum, on_signal)
    try:
        # Reaps the orphans this process inherits while it waits for the command.
        while True:
            pid, status = os.wait()
            if pid == child.pid:
                child.returncode = os.waitstatus_to_exitcode(status)
                break
    finally:
        # A second Ctrl-C must not cut the stops short.
        for signum in (signal.SIGINT, signal.SIGTERM):
            signal.signal(signum, signal.SIG_IGN)
        stop_started(earlier)
    return child.returncode if child.returncode >= 0 else 128 - child.returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv))
