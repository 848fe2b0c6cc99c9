"""What `make demo` leaves running: nothing of its own, whether it ran to its report or was stopped by Ctrl-C or
SIGTERM once its window was up; and its prefix's display scale, set for the run, is 100 % again either way."""
import os
import re
import signal
import subprocess
import time
import uuid

import pytest

import corvane_arch
from demo import xvfb_record

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ARCH = "win32" if corvane_arch.probe()[0] else "win64"
PREFIX = os.path.join(ROOT, "build", "wineprefix-" + ARCH)
NGINX_PREFIX = os.path.join(ROOT, "build", "demo", "nginx")
# Every process the demo starts inherits this variable; its value is new for each run.
MARK = "CORVANE_DEMO_TEST_RUN"


def wait_until(condition, timeout):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(0.1)


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


def demo_processes(mark, display):
    """pid: command line of one run's processes: those carrying its mark, its virtual display, its nginx (whose
    title takes the place of its environment), and their children."""
    table = processes()
    entry = ("%s=%s" % (MARK, mark)).encode()
    ours = {pid for pid, (_, environ, cmdline) in table.items()
            if entry in environ or cmdline.startswith("Xvfb %s " % display) or NGINX_PREFIX + " " in cmdline}
    grown = True
    while grown:
        children = {pid for pid, (ppid, _, _) in table.items() if ppid in ours} - ours
        ours |= children
        grown = bool(children)
    return {pid: table[pid][2] for pid in ours}


def free_display():
    for n in range(120, 200):
        if not os.path.exists("/tmp/.X%d-lock" % n) and not os.path.exists("/tmp/.X11-unix/X%d" % n):
            return n
    pytest.fail("no free X display number between :120 and :199")


def saved_log_pixels():
    """LogPixels as the prefix's Wine server saved it on its way out."""
    with open(os.path.join(PREFIX, "user.reg"), encoding="utf-8", errors="replace") as f:
        sections = f.read().split("\n[")
    desktop = [s for s in sections if s.startswith("Control Panel\\\\Desktop]")]
    m = re.search(r'^"LogPixels"=dword:([0-9a-f]{8})$', desktop[0] if desktop else "", re.MULTILINE)
    return int(m.group(1), 16) if m else None


class Demo:
    """One `make demo` on a display of its own, in a session of its own as a terminal's foreground job is."""

    def __init__(self, tmp_path, scale):
        self.mark = uuid.uuid4().hex
        self.number = free_display()
        self.display = ":%d" % self.number
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WINEPREFIX", "CORVANE_WINE_ARCH", "MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
        self.env.update({MARK: self.mark, "CORVANE_XVFB_DISPLAY": self.display})
        self.out_path = tmp_path / "demo.out"
        self.scale = scale
        self.seen = {}

    def start(self):
        with open(self.out_path, "wb") as out:
            self.proc = subprocess.Popen(["make", "--no-print-directory", "demo", "SCALE=%d" % self.scale], cwd=ROOT,
                                         env=self.env, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)

    def output(self):
        return self.out_path.read_text(errors="replace")

    def window_up(self):
        self.seen.update(demo_processes(self.mark, self.display))
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Corvane"],
                               env=dict(self.env, DISPLAY=self.display), stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
        return found.returncode == 0 and found.stdout.strip()

    def live_log_pixels(self):
        """LogPixels as a program started now reads it (a Wine client of the demo's own server)."""
        out = subprocess.run(["bash", "-c", '. scripts/wine-env.sh && wine reg query "HKCU\\Control Panel\\Desktop" '
                              '/v LogPixels'], cwd=ROOT, env=dict(self.env, CORVANE_WINE_ARCH=ARCH),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode("ascii", "replace")
        m = re.search(r"LogPixels\s+REG_DWORD\s+0x([0-9a-f]+)", out)
        return int(m.group(1), 16) if m else None

    def wait(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
            pytest.fail("the demo did not end within %d s:\n%s" % (timeout, self.output()))

    def check_nothing_left(self):
        # The run itself must have shown what the check looks for, or an empty list would prove nothing.
        started = " ".join(self.seen.values())
        for part in ("Xvfb %s" % self.display, "wineserver", "services.exe", "nginx: master process"):
            assert part in started, "%r never seen among the demo's processes: %s" % (part, self.seen)
        gone = wait_until(lambda: not demo_processes(self.mark, self.display), 30)
        assert gone, "still running after the demo: %s" % demo_processes(self.mark, self.display)
        assert not os.path.exists("/tmp/.X%d-lock" % self.number)


@pytest.fixture
def demo(tmp_path):
    # The demo's Wine server must be its own, not one an earlier test left running for the same prefix.
    subprocess.run(["bash", "-c", '. scripts/wine-env.sh && wineserver -k'], cwd=ROOT,
                   env=dict(os.environ, CORVANE_WINE_ARCH=ARCH), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    record = xvfb_record()
    yield lambda scale: Demo(tmp_path, scale)
    assert xvfb_record() == record, "the record of an earlier run's virtual display was not put back"


def test_a_full_run_at_a_scale_leaves_nothing_running_and_the_scale_at_100(demo):
    run = demo(150)
    run.start()
    assert wait_until(run.window_up, 120), "no window of the demo's program:\n" + run.output()
    assert run.live_log_pixels() == 144
    assert run.wait(180) == 0, run.output()
    out = run.output()
    assert "installer        launched" in out
    assert re.search(r"^display scale +150 % \(LogPixels 144; 100 % again now\)$", out, re.MULTILINE), out
    shots = os.path.join(ROOT, "build", "demo", "scale-150")
    assert re.search(r"^screenshots +%s \(\d+ files, at 150 %% scale\)$" % re.escape(shots), out, re.MULTILINE), out
    assert any(name.endswith(".png") for name in os.listdir(shots))
    run.check_nothing_left()
    assert saved_log_pixels() == 96


@pytest.mark.parametrize("signum, whom", [(signal.SIGINT, "group"), (signal.SIGTERM, "make")])
def test_a_run_stopped_once_its_window_is_up_leaves_nothing_running(demo, signum, whom):
    """Ctrl-C reaches the terminal's whole foreground job; SIGTERM reaches make, which passes it on."""
    run = demo(125)
    run.start()
    assert wait_until(run.window_up, 120), "no window of the demo's program:\n" + run.output()
    assert run.live_log_pixels() == 120
    if whom == "group":
        os.killpg(run.proc.pid, signum)
    else:
        run.proc.send_signal(signum)
    assert run.wait(120) != 0
    assert "interrupted (%s): stopping what the demo started" % signal.Signals(signum).name in run.output()
    run.check_nothing_left()
    assert saved_log_pixels() == 96
