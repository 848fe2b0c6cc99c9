"""What `make demo` and the targets that run Wine leave running: nothing of their own, whether they ran to their end
or were stopped by Ctrl-C or SIGTERM while Wine ran, and a display the user had is left alone; the demo's
display scale, set for the run, is 100 % again either way."""
import os
import re
import signal
import subprocess
import time
import uuid

import pytest

import corvane_arch
from scoped_run import processes, with_descendants, xvfb_record

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ARCH = "win32" if corvane_arch.probe()[0] else "win64"
PREFIX = os.path.join(ROOT, "build", "wineprefix-" + ARCH)
# The private nginx servers of the demo and the benchmarks, whose titles take the place of their environment.
NGINX_MASTER, NGINX_PREFIXES = "nginx: master process ", " -p %s/build/" % ROOT
# Every process a run starts inherits this variable; its value is new for each run.
MARK = "CORVANE_DEMO_TEST_RUN"


def wait_until(condition, timeout):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(0.1)


def run_processes(mark, display):
    """pid: command line of one run's processes: those carrying its mark, its virtual display, the project's nginx,
    and their children."""
    table = processes()
    entry = ("%s=%s" % (MARK, mark)).encode()
    ours = {pid for pid, (_, environ, cmdline) in table.items()
            if entry in environ or cmdline.startswith(NGINX_MASTER) and NGINX_PREFIXES in cmdline
            or display and cmdline.startswith("Xvfb %s " % display)}
    return {pid: table[pid][2] for pid in with_descendants(ours, table)}


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


class Run:
    """One make target on a display of its own, in a session of its own as a terminal's foreground job is. Given
    user_display, that display is the user's, running before the target and after it."""

    def __init__(self, tmp_path, args, user_display=None):
        self.mark = uuid.uuid4().hex
        self.user_display = user_display
        self.number = user_display or free_display()
        self.display = ":%d" % self.number
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WINEPREFIX", "CORVANE_WINE_ARCH", "MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
        self.env.update({MARK: self.mark, "CORVANE_XVFB_DISPLAY": self.display})
        if user_display:
            self.env["DISPLAY"] = self.display
        self.out_path = tmp_path / "run.out"
        self.args = args
        self.seen = {}

    def start(self):
        with open(self.out_path, "wb") as out:
            self.proc = subprocess.Popen(["make", "--no-print-directory"] + self.args, cwd=ROOT, env=self.env,
                                         stdout=out, stderr=subprocess.STDOUT, start_new_session=True)

    def ours(self):
        return run_processes(self.mark, None if self.user_display else self.display)

    def watch(self, parts):
        """Whether every one of parts has been seen among the run's processes."""
        self.seen.update(self.ours())
        started = " ".join(self.seen.values())
        return all(part in started for part in parts)

    def output(self):
        return self.out_path.read_text(errors="replace")

    def follow(self, timeout):
        """Watches the run's processes until it ends; its exit status."""
        wait_until(lambda: self.watch([]) and self.proc.poll() is not None, timeout)
        return self.wait(1)

    def window_up(self):
        self.seen.update(self.ours())
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
            pytest.fail("%s did not end within %d s:\n%s" % (self.args, timeout, self.output()))

    def check_nothing_left(self):
        # The run itself must have shown what the check looks for, or an empty list would prove nothing.
        parts = ["wineserver", "services.exe", NGINX_MASTER] + ([] if self.user_display else ["Xvfb " + self.display])
        assert self.watch(parts), "not all of %s seen among the run's processes: %s" % (parts, self.seen)
        gone = wait_until(lambda: not self.ours(), 30)
        assert gone, "still running after %s: %s" % (self.args, self.ours())
        assert self.user_display or not os.path.exists("/tmp/.X%d-lock" % self.number)


@pytest.fixture
def target(tmp_path):
    # The run's Wine server must be its own, not one an earlier test left running for the same prefix.
    subprocess.run(["bash", "-c", '. scripts/wine-env.sh && wineserver -k'], cwd=ROOT,
                   env=dict(os.environ, CORVANE_WINE_ARCH=ARCH), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    record = xvfb_record()
    yield lambda *args, **kw: Run(tmp_path, list(args), **kw)
    assert xvfb_record() == record, "the record of an earlier run's virtual display was not put back"


@pytest.fixture
def user_display():
    """A display of the user's, up before the run."""
    number = free_display()
    xvfb = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        assert wait_until(lambda: subprocess.run(["xdpyinfo", "-display", ":%d" % number], stdout=subprocess.DEVNULL,
                                                 stderr=subprocess.DEVNULL).returncode == 0, 30)
        yield number
        assert xvfb.poll() is None, "the user's display was ended"
    finally:
        xvfb.terminate()
        xvfb.wait()


def test_a_full_run_at_a_scale_leaves_nothing_running_and_the_scale_at_100(target):
    run = target("demo", "SCALE=150")
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


def stop(run, signum, whom):
    if whom == "group":
        os.killpg(run.proc.pid, signum)
    else:
        run.proc.send_signal(signum)
    assert run.wait(120) != 0


STOPS = [(signal.SIGINT, "group"), (signal.SIGTERM, "make")]


@pytest.mark.parametrize("signum, whom", STOPS)
def test_a_run_stopped_once_its_window_is_up_leaves_nothing_running(target, signum, whom):
    """Ctrl-C reaches the terminal's whole foreground job; SIGTERM reaches make, which passes it on."""
    run = target("demo", "SCALE=125")
    run.start()
    assert wait_until(run.window_up, 120), "no window of the demo's program:\n" + run.output()
    assert run.live_log_pixels() == 120
    stop(run, signum, whom)
    assert "interrupted (%s): stopping what the demo started" % signal.Signals(signum).name in run.output()
    run.check_nothing_left()
    assert saved_log_pixels() == 96


# The download benchmark in its short form: nginx, the Python test servers and Wine programs, then the whole
# program against a service of its own.
BENCH = ("bench-download", "BENCH_ARGS=--smoke")


def test_a_benchmark_run_to_its_end_leaves_nothing_running_but_the_users_display(target, user_display):
    run = target(*BENCH, user_display=user_display)
    run.start()
    assert run.follow(600) == 0, run.output()
    assert re.search(r"^  unlimited +program +[\d.]+ s", run.output(), re.MULTILINE), run.output()
    run.check_nothing_left()


@pytest.mark.parametrize("signum, whom", STOPS)
def test_a_benchmark_stopped_while_wine_runs_leaves_nothing_running(target, signum, whom):
    run = target(*BENCH)
    run.start()
    parts = ["wineserver", "services.exe", NGINX_MASTER, "Xvfb " + run.display]
    assert wait_until(lambda: run.watch(parts) or run.proc.poll() is not None, 300) and run.proc.poll() is None, \
        "the benchmark ended before Wine ran:\n" + run.output()
    stop(run, signum, whom)
    run.check_nothing_left()
