"""Shared by the demo and the end-to-end tests: the Wine environment, sample installers and screenshots."""
import os
import subprocess

from corvane_arch import wine_arch

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
BIN = os.environ.get("CORVANE_BIN", os.path.join(ROOT, "build", "win32", "bin"))
EXE = os.path.join(BIN, "CorvaneOnlineSetup.exe")
SAMPLE = os.path.join(BIN, "SampleInstaller.exe")
PUBLISH = os.path.join(ROOT, "scripts", "corvane-publish")
TITLE = "Corvane在线安装程序"


def program_arch():
    """The Wine architecture of the program in BIN (win32 or win64)."""
    return wine_arch(EXE)


def wine_environment():
    """The environment scripts/wine-env.sh sets up for the program's architecture, its prefix and display ready."""
    out = subprocess.run(["bash", "-c", ". scripts/wine-env.sh && corvane_wine_ready >&2 && env -0"],
                         cwd=ROOT, check=True, stdout=subprocess.PIPE,
                         env=dict(os.environ, CORVANE_WINE_ARCH=program_arch())).stdout
    return dict(item.split("=", 1) for item in out.decode().split("\0") if "=" in item)


def appdata_dir(env):
    """The Unix path of the Wine user's application-data folder."""
    out = subprocess.run(["wine", "cmd", "/c", "echo %APPDATA%"], env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, check=True).stdout.decode("gbk").strip()
    return subprocess.run(["winepath", "-u", out], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=True).stdout.decode().strip()


def make_sample_installer(path, size):
    """The sample installer padded to size bytes; the padding depends on size, so signatures differ too."""
    with open(SAMPLE, "rb") as f:
        data = f.read()
    pad = size - len(data)
    block = bytes((i * 7 + size) & 0xFF for i in range(4096))
    with open(path, "wb") as f:
        f.write(data)
        while pad > 0:
            f.write(block[:min(pad, len(block))])
            pad -= len(block)
    return path


def screenshot(env, path, window=None):
    """A PNG of the whole display, or of one X window."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["import", "-display", env["DISPLAY"], "-window", window or "root", path], check=True,
                   stderr=subprocess.DEVNULL)
    return path


def set_prefix_dpi(env, dpi):
    """The display scale programs started from now on in env's prefix see (LogPixels: 96 is 100 %, 144 is 150 %).
    Wine reads it when a program starts and shows a program that is aware of the scale at that many pixels
    per inch; the setting lives in the prefix, so callers set 96 again when they are done."""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(int(dpi)), "/f"], env=env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
