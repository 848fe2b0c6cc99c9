"""A disk that fills up mid-download: the download failure message, the partial file kept as an exact prefix,
and the next run resumes from it once there is room again.

The data folder is a small tmpfs in a mount namespace of the test's own. Wine opens files in its server and
resolves names in the program, so both run in that namespace: the prefix's server is ended first, and the first
program started there starts a new one."""
import os
import subprocess

import pytest

from conftest import launched, make_installer, wait_for
from test_workflow import FRESH, RESUMED, SETUP, dismiss_failure, downloads, md5


def wineserver(env, *args):
    subprocess.run(["wineserver"] + list(args), env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


class SmallDisk:
    """A tmpfs of the given size over the data folder, seen by the programs started through `prefix`."""

    def __init__(self, env, path, size):
        self.env = env
        self.path = path
        os.makedirs(path, exist_ok=True)
        wineserver(env, "-k")
        wineserver(env, "-w")
        self.holder = subprocess.Popen(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c",
             'mount -t tmpfs -o size="$1" corvane-small-disk "$0" && echo ready && exec sleep 3600', path, size],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
        if self.holder.stdout.readline().strip() != b"ready":
            self.holder.wait()
            raise AssertionError("the small disk could not be mounted")
        self.prefix = ["nsenter", "--mount", "--target", str(self.holder.pid)]
        # The prefix's server, started here at once so that no program elsewhere starts one first.
        subprocess.run(self.prefix + ["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(self.server_inside, 10):
            self.close()
            raise AssertionError("the prefix's wineserver does not run in the small disk's namespace")
        # The folder as the namespace sees it.
        self.inside = "/proc/%d/root%s" % (self.holder.pid, path)

    def server_inside(self):
        """Whether the prefix's server (whose folder is named after the prefix's device and inode) runs, and in
        the namespace."""
        st = os.stat(self.env["WINEPREFIX"])
        folder = "server-%x-%x" % (st.st_dev, st.st_ino)
        mine = os.readlink("/proc/%d/ns/mnt" % self.holder.pid)
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/comm" % pid) as f:
                    if f.read().startswith("wineserver") and os.readlink("/proc/%s/cwd" % pid).endswith(folder):
                        return os.readlink("/proc/%s/ns/mnt" % pid) == mine
            except OSError:
                pass
        return False

    def grow(self, size):
        subprocess.run(self.prefix + ["mount", "-o", "remount,size=" + size, self.path], check=True)

    def close(self):
        # The server and every program of the namespace end first; the tmpfs goes with its last process.
        wineserver(self.env, "-k")
        wineserver(self.env, "-w")
        self.holder.kill()
        self.holder.wait()
        # Back to the persistent server outside the namespace that the other tests run with.
        wineserver(self.env, "-p")


@pytest.fixture
def small_disk(wine_env, data_dir):
    disks = []

    def make(size):
        disks.append(SmallDisk(wine_env, data_dir, size))
        return disks[-1]

    yield make
    for disk in disks:
        disk.close()


def test_a_disk_that_fills_up_keeps_an_exact_prefix_which_the_next_run_resumes(installer, driver, service,
                                                                             small_disk, tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 3 << 20)
    service.publish(source).start()
    disk = small_disk("2m")
    run = installer(prefix=disk.prefix)
    dismiss_failure(run, driver, "Quillfen: no verified installer after the download\\n")
    partial = os.path.join(disk.inside, SETUP + ".df!")
    assert not os.path.exists(os.path.join(disk.inside, SETUP))
    with open(partial, "rb") as f:
        kept = f.read()
    with open(source, "rb") as f:
        whole = f.read()
    assert 0 < len(kept) < len(whole)
    assert kept == whole[:len(kept)]
    # A full disk is no fault a retry within the run can mend.
    assert downloads(service) == FRESH

    disk.grow("16m")
    run = installer(prefix=disk.prefix)
    assert run.wait(120) == 0
    assert downloads(service) == FRESH + RESUMED
    assert md5(os.path.join(disk.inside, SETUP)) == service.signature
    assert launched(disk.inside)
