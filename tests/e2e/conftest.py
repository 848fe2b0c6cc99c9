"""End-to-end fixtures: the real program under Wine on a virtual display, a local service, a driver program."""
import contextlib
import os
import re
import shutil
import socket
import subprocess
import time

import pytest
import testpki
from corvane_arch import probe as probe_i386
from corvane_env import BIN, EXE, PUBLISH, TITLE, appdata_dir as find_appdata, make_sample_installer, program_arch
from corvane_env import screenshot as take_screenshot, wine_environment
from localservers import LocalWeb

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

DRIVER = os.path.join(BIN, "WinDriver.exe")
# The same program built to ask its service at https://localhost on the service's port.
TLS_EXE = os.path.join(BIN, "CorvaneOnlineSetupTls.exe")
TRUST_ROOT = os.path.join(BIN, "TrustTestRoot.exe")
PKI_DIR = os.path.join(ROOT, "build", "e2e-pki")
ARCH = program_arch() if os.path.exists(EXE) else None
SHOTS = os.path.join(ROOT, "build", "e2e-screenshots", ARCH or "")
SERVICE_HOST = os.environ.get("CORVANE_SETUP_HOST", "127.0.0.1:18431")
SERVICE_PORT = int(SERVICE_HOST.rsplit(":", 1)[1])
# How much longer than on the machine itself a condition may take to come: in the test guest under QEMU's
# translator, where each Wine program (the driver's every call among them) starts some ten times slower,
# scripts/in-guest sets it.
TIME_SCALE = float(os.environ.get("CORVANE_TEST_TIME_SCALE", "1"))


def pytest_report_header(config):
    return "program: %s (%s)" % (EXE, ARCH or "not built")


def pytest_collection_modifyitems(config, items):
    """Where 32-bit code cannot run, the 32-bit program's tests are skipped with the probe's finding: Wine's
    32-bit loader could not start, and a test that never ran must not count as passed."""
    if ARCH != "win32":
        return
    runs, why = probe_i386()
    if not runs:
        skip = pytest.mark.skip(reason="32-bit program not run: no 32-bit mode on this machine (%s)" % why)
        for item in items:
            item.add_marker(skip)


@pytest.fixture(scope="session")
def wine_env():
    if not os.path.exists(EXE):
        pytest.fail("build the program first: make win32")
    # Every test decides itself whether the service answers: nothing else may hold its port.
    with socket.socket() as probe:
        if probe.connect_ex(("127.0.0.1", SERVICE_PORT)) == 0:
            pytest.fail("port %d is already in use; stop whatever listens there" % SERVICE_PORT)
    return wine_environment()


@pytest.fixture(scope="session")
def pki():
    """The test certificates and keys (tests/pki/testpki.py): a folder of NAME.pem and NAME.key files."""
    testpki.make(PKI_DIR)
    return PKI_DIR


@pytest.fixture(scope="session")
def trusted_pki(wine_env, pki):
    """The test certificates, their root trusted in the tests' Wine prefix (and nowhere else)."""
    subprocess.run([os.path.join(ROOT, "tests", "pki", "prepare.sh"), pki, TRUST_ROOT], env=wine_env, check=True,
                   stdout=subprocess.DEVNULL)
    return pki


@pytest.fixture(scope="session")
def appdata_dir(wine_env):
    return find_appdata(wine_env)


@pytest.fixture
def data_dir(appdata_dir):
    """The installer's data folder, removed before and after each test (a test may leave a file there)."""
    path = os.path.join(appdata_dir, "ravlet")
    remove_path(path)
    yield path
    remove_path(path)


def remove_path(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


class Driver:
    """WinDriver.exe: finds the installer's windows and sends them messages from a second Wine program."""

    def __init__(self, env):
        self.env = env

    def run(self, *args, check=False):
        p = subprocess.run(["wine", DRIVER] + [str(a) for a in args], env=self.env, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=60)
        if check and p.returncode != 0:
            raise AssertionError("WinDriver %s failed" % (args,))
        return p.returncode, p.stdout.decode("ascii", "replace")

    def windows(self, title=TITLE):
        rc, out = self.run("windows", title)
        found = []
        for line in out.splitlines():
            fields = dict(kv.split("=", 1) for kv in line.split())
            rect = [int(v) for v in fields["rect"].split(",")]
            found.append({"hwnd": int(fields["hwnd"], 16), "pid": int(fields["pid"]), "class": fields["class"],
                          "visible": fields["visible"] == "1", "exstyle": int(fields["exstyle"], 16),
                          "style": int(fields["style"], 16), "rect": rect,
                          "size": (rect[2] - rect[0], rect[3] - rect[1])})
        return found

    def post(self, hwnd, msg, wparam=0, lparam=0):
        return self.run("post", hwnd, msg, wparam, lparam)[0] == 0

    def send(self, hwnd, msg, wparam=0, lparam=0):
        rc, out = self.run("send", hwnd, msg, wparam, lparam)
        m = re.search(r"result=(-?\d+)", out)
        return int(m.group(1)) if m else None

    def text(self, hwnd, item=None):
        """The text of a window's item, or of the window itself without one, as the wide calls read it."""
        rc, out = self.run("text", hwnd, *([] if item is None else [item]))
        m = re.search(r"text=([0-9a-f]*)", out)
        return bytes.fromhex(m.group(1)).decode("utf-8") if m else None

    def name(self, hwnd, item):
        """What a screen reader names the window's item: the name of its accessible object."""
        rc, out = self.run("name", hwnd, item)
        m = re.search(r"name=([0-9a-f]*)", out)
        return bytes.fromhex(m.group(1)).decode("utf-8") if rc == 0 and m else None

    def code_page(self):
        """The ANSI code page Wine gives a program started in this environment."""
        return int(re.search(r"acp=(\d+)", self.run("codepage", check=True)[1]).group(1))

    def watch(self, hwnd, item, seconds):
        """Every change of a control's text over the given seconds, as (milliseconds, text) pairs."""
        rc, out = self.run("watch", hwnd, item, seconds)
        return [(float(ms), bytes.fromhex(text).decode("utf-8"))
                for ms, text in re.findall(r"ms=([\d.]+) text=([0-9a-f]*)", out)]

    @contextlib.contextmanager
    def hold(self, path):
        """A second program holding the file open for reading, sharing reading only, as a scanner does."""
        proc = subprocess.Popen(["wine", DRIVER, "hold", "Z:" + path.replace("/", "\\")], env=self.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            if proc.stdout.readline().strip() != b"held":
                raise AssertionError("WinDriver could not open %s" % path)
            yield
        finally:
            proc.stdin.close()
            proc.wait(30)

    def ping(self, hwnd, timeout_ms):
        rc, out = self.run("ping", hwnd, timeout_ms)
        m = re.search(r"ok=(\d) ms=([\d.]+)", out)
        return (m.group(1) == "1", float(m.group(2))) if m else (False, None)


@pytest.fixture(scope="session")
def driver(wine_env):
    return Driver(wine_env)


class Installer:
    """One run of the online installer, its debug output collected from Wine's debugstr channel."""

    def __init__(self, env, log_path, exe, prefix=()):
        self.env = dict(env, WINEDEBUG="-all,+debugstr")
        self.log_path = log_path
        self.exe = exe
        # A command that runs the program in its place, such as nsenter into another mount namespace.
        self.prefix = list(prefix)
        self.proc = None

    def start(self):
        self.log = open(self.log_path, "wb")
        self.proc = subprocess.Popen(self.prefix + ["wine", self.exe], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=self.log)
        return self

    def wait(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.proc.poll() is None

    def debug_lines(self):
        with open(self.log_path, "rb") as f:
            text = f.read().decode("gbk", "replace")
        return re.findall(r'OutputDebugStringA "((?:[^"\\]|\\.)*)"', text)

    def workflow_marks(self):
        """The workflow's one-character debug marks "1", "2" and "3", in order."""
        return [line for line in self.debug_lines() if line in ("1", "2", "3")]

    def kill(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


@pytest.fixture
def installer(wine_env, tmp_path, driver):
    runs = []

    def start(exe=EXE, prefix=()):
        run = Installer(wine_env, str(tmp_path / ("run%d.log" % len(runs))), exe, prefix).start()
        runs.append(run)
        return run

    yield start
    for run in runs:
        run.kill()
    # No window of an earlier test may linger into the next one.
    deadline = time.time() + 10
    while driver.windows() and time.time() < deadline:
        time.sleep(0.2)


def wait_for(predicate, timeout, interval=0.1):
    deadline = time.time() + timeout * TIME_SCALE
    while True:
        value = predicate()
        if value:
            return value
        if time.time() >= deadline:
            return value
        time.sleep(interval)


class Service:
    """The setup-info service and download server: nginx on loopback serving a published installer."""

    def __init__(self, root):
        self.root = root
        self.pub = os.path.join(root, "pub")
        self.conf = os.path.join(self.pub, "corvane-setup.conf")
        self.web = None

    def publish(self, installer, name="qzvr_setup.exe", limit_rate=None, cert=None, key=None, host=SERVICE_HOST,
                listen=SERVICE_HOST):
        """Runs corvane-publish; with a certificate and key the block serves HTTPS at https://host/. answer_url
        is the URL the answer names, the build's own."""
        scheme = "https" if cert else "http"
        cmd = [PUBLISH, installer, "%s://%s/download/%s" % (scheme, host, name), "--out", self.pub,
               "--listen", listen]
        if limit_rate:
            cmd += ["--limit-rate", limit_rate]
        if cert:
            cmd += ["--cert", cert, "--key", key]
        out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout.decode()
        self.output = out
        self.signature = re.search(r"signature (\w+)", out).group(1)
        self.answer_url = re.search(r"fileurl +(\S+)", out).group(1)
        self.port = int(listen.rsplit(":", 1)[1])
        return self

    def write_answer(self, file_url, signature, root="qzvrsetup"):
        with open(os.path.join(self.pub, "Getqzvrsetup.xml"), "w", encoding="ascii") as f:
            f.write('<?xml version="1.0" encoding="gb2312" ?><%s fileurl="%s" filesign="%s" />'
                    % (root, file_url, signature))

    def start(self):
        self.web = LocalWeb(os.path.join(self.root, "nginx"), self.conf).start(self.port)
        return self

    def access_log(self):
        return self.web.access_log() if self.web else ""

    def stop(self):
        if self.web:
            self.web.stop()


@pytest.fixture
def service(tmp_path):
    svc = Service(str(tmp_path / "service"))
    yield svc
    svc.stop()


def launched(data_dir, timeout=10):
    """Whether the sample installer started: the shell runs it after the online installer has ended."""
    return wait_for(lambda: os.path.exists(os.path.join(data_dir, "sample-installer-started.txt")), timeout)


def make_installer(path, size):
    return make_sample_installer(path, size)


def screenshot(env, name):
    return take_screenshot(env, os.path.join(SHOTS, name + ".png"))
