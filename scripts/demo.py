#!/usr/bin/python3
"""The demo: publishes a sample installer on a local service, runs the online installer under Wine, reports.

With a working display the real window shows there; without one the run happens on a virtual display and
screenshots are saved under build/demo/. The program must have been built against the loopback service.
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time

from corvane_env import EXE, PUBLISH, ROOT, appdata_dir, make_sample_installer, program_arch, screenshot
from corvane_env import wine_environment
from localservers import LocalWeb

HOST = os.environ.get("CORVANE_SETUP_HOST", "127.0.0.1:18431")
PORT = int(HOST.rsplit(":", 1)[1])
DEMO = os.path.join(ROOT, "build", "demo")
INSTALLER_SIZE = 6 << 20
RATE = "600k"


def md5_of(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def main():
    had_display = bool(os.environ.get("DISPLAY")) and subprocess.run(
        ["xdpyinfo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    env = wine_environment()
    env["WINEDEBUG"] = "-all,+debugstr"
    shutil.rmtree(DEMO, ignore_errors=True)
    os.makedirs(DEMO)

    sample = make_sample_installer(os.path.join(DEMO, "CorvaneSuiteSetup.exe"), INSTALLER_SIZE)
    url = "http://%s/download/CorvaneSuiteSetup.exe" % HOST
    subprocess.run([PUBLISH, sample, url, "--out", os.path.join(DEMO, "pub"), "--listen", HOST,
                    "--limit-rate", RATE], check=True, stdout=subprocess.DEVNULL)
    web = LocalWeb(os.path.join(DEMO, "nginx"), os.path.join(DEMO, "pub", "corvane-setup.conf")).start(PORT)

    data_dir = os.path.join(appdata_dir(env), "ravlet")
    shutil.rmtree(data_dir, ignore_errors=True)
    print("service  http://%s/ClientSrv/Getqzvrsetup.aspx?vertype=0 (nginx on loopback, installer at %s/s)"
          % (HOST, RATE))
    print("display  %s" % ("your display " + env["DISPLAY"] if had_display else "virtual display " + env["DISPLAY"]))
    print("program  %s (%s)" % (os.path.relpath(EXE, ROOT), program_arch()))

    log_path = os.path.join(DEMO, "debug-output.log")
    shots = []
    with open(log_path, "wb") as log:
        proc = subprocess.Popen(["wine", EXE], env=env, stdout=subprocess.DEVNULL, stderr=log)
        started = time.time()
        while proc.poll() is None and time.time() - started < 180:
            time.sleep(2)
            if not had_display and proc.poll() is None:
                shots.append(screenshot(env, os.path.join(DEMO, "run-%02d.png" % len(shots))))
        if proc.poll() is None:
            proc.kill()
            print("the installer did not finish within three minutes")
        proc.wait()
    web.stop()

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
    if shots:
        print("screenshots      %s (%d files)" % (DEMO, len(shots)))
    return 0 if os.path.exists(marker) else 1


if __name__ == "__main__":
    sys.exit(main())
