#!/usr/bin/python3
"""The demo: publishes a sample installer on a local service, runs the online installer under Wine, reports.

With a working display the real window shows there; without one the run happens on a virtual display and
screenshots are saved under build/demo/. The program must have been built against the loopback service.
Usage: demo.py [--scale PERCENT]; the prefix's display scale is that during the run, and 100 % again after it.
However the demo ends (its report, a failure, Ctrl-C or SIGTERM), it leaves nothing of its own running: the
program, nginx, the prefix's Wine server with Wine's services, and the virtual display if it started it.
"""
import argparse
import contextlib
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time

from corvane_env import EXE, PUBLISH, ROOT, appdata_dir, make_sample_installer, program_arch, screenshot
from corvane_env import set_prefix_dpi, wine_environment
from localservers import LocalWeb
from scoped_run import stop_display_started_after, xvfb_record

HOST = os.environ.get("CORVANE_SETUP_HOST", "127.0.0.1:18431")
PORT = int(HOST.rsplit(":", 1)[1])
DEMO = os.path.join(ROOT, "build", "demo")
INSTALLER_SIZE = 6 << 20
RATE = "600k"
SCALES = (100, 125, 150, 175, 200)


class Stopped(Exception):
    """SIGINT or SIGTERM: the demo ends early, and still stops what it started."""

    def __init__(self, signum):
        super().__init__(signal.Signals(signum).name)
        self.signum = signum


def on_signal(signum, frame):
    raise Stopped(signum)


def md5_of(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def stop_wine():
    """Ends the prefix's Wine server, and with it every program it serves, Wine's own services among them."""
    subprocess.run(["bash", "-c", '. scripts/wine-env.sh && [ ! -d "$WINEPREFIX" ] || wineserver -k'], cwd=ROOT,
                   env=dict(os.environ, CORVANE_WINE_ARCH=program_arch()), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def stop_program(proc):
    if proc.poll() is None:
        proc.kill()
    proc.wait()


def demo(cleanup, scale):
    """Runs the demo; every step that starts something first registers its stop with cleanup."""
    had_display = bool(os.environ.get("DISPLAY")) and subprocess.run(
        ["xdpyinfo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    cleanup.callback(stop_display_started_after, xvfb_record())
    cleanup.callback(stop_wine)
    env = wine_environment()
    env["WINEDEBUG"] = "-all,+debugstr"
    # Each run starts afresh, but keeps the pictures that runs at other scales took, to set beside its own.
    shots_dir = os.path.join(DEMO, "scale-%d" % scale)
    for name in os.listdir(DEMO) if os.path.isdir(DEMO) else []:
        path = os.path.join(DEMO, name)
        if path == shots_dir or not name.startswith("scale-"):
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    os.makedirs(shots_dir)
    cleanup.callback(set_prefix_dpi, env, 96)
    set_prefix_dpi(env, 96 * scale // 100)

    sample = make_sample_installer(os.path.join(DEMO, "CorvaneSuiteSetup.exe"), INSTALLER_SIZE)
    url = "http://%s/download/CorvaneSuiteSetup.exe" % HOST
    subprocess.run([PUBLISH, sample, url, "--out", os.path.join(DEMO, "pub"), "--listen", HOST,
                    "--limit-rate", RATE], check=True, stdout=subprocess.DEVNULL)
    web = LocalWeb(os.path.join(DEMO, "nginx"), os.path.join(DEMO, "pub", "corvane-setup.conf"))
    cleanup.callback(web.stop)
    web.start(PORT)

    data_dir = os.path.join(appdata_dir(env), "ravlet")
    shutil.rmtree(data_dir, ignore_errors=True)
    print("service  http://%s/ClientSrv/Getqzvrsetup.aspx?vertype=0 (nginx on loopback, installer at %s/s)"
          % (HOST, RATE))
    print("display  %s" % ("your display " + env["DISPLAY"] if had_display else "virtual display " + env["DISPLAY"]))
    print("program  %s (%s)" % (os.path.relpath(EXE, ROOT), program_arch()))
    sys.stdout.flush()

    log_path = os.path.join(DEMO, "debug-output.log")
    shots = []
    with open(log_path, "wb") as log:
        proc = subprocess.Popen(["wine", EXE], env=env, stdout=subprocess.DEVNULL, stderr=log)
        cleanup.callback(stop_program, proc)
        started = time.time()
        while proc.poll() is None and time.time() - started < 180:
            time.sleep(2)
            if not had_display and proc.poll() is None:
                shots.append(screenshot(env, os.path.join(shots_dir, "run-%02d.png" % len(shots))))
        if proc.poll() is None:
            print("the installer did not finish within three minutes")
        stop_program(proc)

    with open(log_path, "rb") as f:
        debug = re.findall(r'OutputDebugStringA "((?:[^"\\]|\\.)*)"', f.read().decode("gbk", "replace"))
    with open(os.path.join(DEMO, "pub", "Getqzvrsetup.xml"), encoding="ascii") as f:
        answer = f.read().strip()
    setup = os.path.join(data_dir, "qzvr_setup_0.exe")
    record = os.path.join(data_dir, "qzvrsetup.xml")
    print()
    print("answer read      %s" % " ".join(answer.split()))
    # Each transfer asks three times (redirect probe, transfer, size); only the transfer's body is read.
    requests = re.findall(r'"GET /download/\S+ HTTP/1\.1" (\d+)', web.access_log())
    got = os.path.getsize(setup) if os.path.exists(setup) else 0
    print("bytes downloaded %d of %d (nginx answered %s)" % (got, INSTALLER_SIZE, " ".join(requests) or "nothing"))
    if os.path.exists(setup):
        ok = md5_of(setup) == md5_of(sample)
        print("signature        %s %s the answer's" % (md5_of(setup), "matches" if ok else "DOES NOT match"))
    else:
        print("signature        no installer file was written")
    if os.path.exists(record):
        with open(record, "rb") as f:
            print("install record   %d bytes: %s" % (os.path.getsize(record), f.read().decode("ascii", "replace")))
    marker = os.path.join(data_dir, "sample-installer-started.txt")
    # The shell starts the sample installer as the online installer ends: give it a moment to write.
    deadline = time.time() + 10
    while not os.path.exists(marker) and time.time() < deadline:
        time.sleep(0.2)
    print("installer        %s" % ("launched (the sample installer wrote its marker)" if os.path.exists(marker)
                                   else "NOT launched"))
    print("debug marks      %s" % " ".join(d for d in debug if d in ("1", "2", "3")))
    print("exit code        %d" % proc.returncode)
    print("display scale    %d %% (LogPixels %d; 100 %% again now)" % (scale, 96 * scale // 100))
    if shots:
        print("screenshots      %s (%d files, at %d %% scale)" % (shots_dir, len(shots), scale))
    return 0 if os.path.exists(marker) else 1


def main(argv):
    parser = argparse.ArgumentParser(description="Runs the online installer under Wine against a local service.")
    parser.add_argument("--scale", type=int, choices=SCALES, default=100, help="display scale in percent")
    args = parser.parse_args(argv[1:])
    for signum in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signum, on_signal)
    cleanup = contextlib.ExitStack()
    try:
        return demo(cleanup, args.scale)
    except Stopped as stop:
        print("\ninterrupted (%s): stopping what the demo started" % stop)
        return 128 + stop.signum
    finally:
        # A second Ctrl-C must not cut the stops short.
        for signum in (signal.SIGINT, signal.SIGTERM):
            signal.signal(signum, signal.SIG_IGN)
        cleanup.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
