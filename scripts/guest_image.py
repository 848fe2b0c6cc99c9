#!/usr/bin/python3
"""The test guest's disk image: Debian 12 amd64 with i386 multiarch and what the 32-bit program's tests need, built
from Debian's packages once per machine and kept under CACHE, in a folder named after a hash of its recipe.

Usage: guest_image.py   prints the image's folder, building it first if this machine has none of this recipe
"""
import fcntl
import glob
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time

import guest_vm

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPTS = os.path.join(ROOT, "scripts")
CACHE = guest_vm.CACHE
INIT = os.path.join(SCRIPTS, "guest", "init")
# The prefix is made in the image by the checkout's own Wine set-up, so that script is part of the recipe.
WINE_ENV = os.path.join(SCRIPTS, "wine-env.sh")
RECIPE_FILES = (os.path.abspath(__file__), INIT, WINE_ENV)
# The 32-bit Wine prefix made once in the image: a test run then starts without the minutes a new one takes.
PREFIX = "/var/lib/corvane/wineprefix-win32"
SUITE = "bookworm"
# What the 32-bit program's Windows and end-to-end tests run in the guest: Wine's both halves, the display and
# its tools, the local servers, Python with the tests' modules, ctest, and the release test's toolchain.
PACKAGES = """
 linux-image-amd64 initramfs-tools kmod mount iproute2 procps
 wine wine64 wine32:i386 libgnutls30:i386 xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick
 locales fonts-wqy-microhei nginx vsftpd curl osslsigncode git make cmake
 mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
 python3 python3-pytest python3-pil python3-pyftpdlib python3-cryptography
""".split()
LOCALES = ("zh_CN.UTF-8", "en_US.UTF-8", "zh_TW.UTF-8")
# The disk's size; the file is sparse, and the guest's writes go to a snapshot that is thrown away.
DISK_SIZE = "10G"
IMAGE_FILES = ("vmlinuz", "initrd.img", "disk.img")
COMPLETE = "complete"
BUILD_TIMEOUT = 3600
PREPARE_TIMEOUT = 1800


def recipe_key():
    digest = hashlib.sha256()
    for path in RECIPE_FILES:
        with open(path, "rb") as f:
            digest.update(f.read())
    return digest.hexdigest()[:16]


def image_dir():
    return os.path.join(CACHE, recipe_key())


def is_complete(folder):
    return os.path.exists(os.path.join(folder, COMPLETE)) and \
        all(os.path.exists(os.path.join(folder, name)) for name in IMAGE_FILES)


def apt_sources(out, failed_urls):
    """The machine's apt sources copied to out, less the suites of failed_urls; the files mmdebstrap is given."""
    sl, sp = "/etc/apt/sources.list", "/etc/apt/sources.list.d"
    config = subprocess.run(["apt-config", "shell", "SL", "Dir::Etc::SourceList/f", "SP", "Dir::Etc::SourceParts/d"],
                            stdout=subprocess.PIPE, universal_newlines=True).stdout
    found = dict(re.findall(r"^(SL|SP)='(.*)'$", config, re.M))
    left_out = subprocess.run(["/usr/bin/python3", os.path.join(SCRIPTS, "apt_sources.py"), found.get("SL", sl),
                               found.get("SP", sp), out] + failed_urls, check=True, stdout=subprocess.PIPE,
                              universal_newlines=True).stdout
    for line in left_out.splitlines():
        print("guest: building without the suite that failed to update: " + line, flush=True)
    files = [os.path.join(out, "sources.list")] + sorted(glob.glob(os.path.join(out, "sources.list.d", "*")))
    return [f for f in files if os.path.getsize(f) > 0]


def bootstrap(work):
    """The guest's root folder, from the suites that update: a mirror in the middle of a sync fails some indexes for
    hours, as on the machine itself (scripts/install-deps.sh), and those suites are then left out."""
    failed = []
    for _ in range(2):
        target = os.path.join(work, "root")
        remove_unmounted(target)
        sources = apt_sources(os.path.join(work, "sources"), failed)
        command = ["mmdebstrap", "--mode=root", "--variant=apt", "--architectures=amd64,i386",
                   "--include=" + ",".join(PACKAGES), "--aptopt=Acquire::Retries \"3\"",
                   "--dpkgopt=path-exclude=/usr/share/doc/*", "--dpkgopt=path-exclude=/usr/share/man/*",
                   "--dpkgopt=path-include=/usr/share/doc/*/copyright", SUITE, target] + sources
        log = os.path.join(work, "mmdebstrap.log")
        with open(log, "w") as f:
            done = run_to_end(command, f) == 0
        if done:
            return target
        with open(log, errors="replace") as f:
            text = f.read()
        failed = re.findall(r"^[EW]: Failed to fetch (\S+)", text, re.M)
        if not failed:
            break
    raise RuntimeError("mmdebstrap failed; the end of its log (%s):\n%s" % (log, "".join(text.splitlines(True)[-20:])))


def run_to_end(command, out):
    """command's exit status. Should this process be stopped first, the command is asked to stop (TERM) and waited
    for: mmdebstrap then unmounts what it mounted in the root, which a kill would leave mounted."""
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        return process.wait(BUILD_TIMEOUT)
    except BaseException:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait()
        raise


def remove_unmounted(work):
    """Removes what a build cut short left, once nothing is mounted below it: a mount left there (by a build that
    was killed) is the machine's /proc, /sys or /dev, never to be removed."""
    with open("/proc/self/mounts") as f:
        mounted = [line.split()[1] for line in f]
    below = [m for m in mounted if m.startswith(work + "/")]
    if below:
        raise RuntimeError("%s still has mounts below it, from a build that was killed: %s; unmount them "
                           "(umount -R) and try again" % (work, ", ".join(below)))
    shutil.rmtree(work, ignore_errors=True)


def configure(root):
    """What the guest needs beyond its packages: its init, the locales the tests run in, a hosts file naming
    localhost, and where Wine looks for the prefix made in it."""
    shutil.copy(INIT, os.path.join(root, "sbin", "corvane-init"))
    with open(os.path.join(root, "etc", "locale.gen"), "a") as f:
        f.write("".join("%s UTF-8\n" % name for name in LOCALES))
    subprocess.run(["chroot", root, "locale-gen"], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(root, "etc", "hosts"), "w") as f:
        f.write("127.0.0.1\tlocalhost corvane-guest\n::1\tlocalhost ip6-localhost\n")
    os.makedirs(os.path.join(root, os.path.dirname(PREFIX).lstrip("/")), exist_ok=True)


def extract(root, work):
    """The kernel and its initramfs out of the root, then the root as an ext4 disk image (no loop device needed)."""
    for name in ("vmlinuz", "initrd.img"):
        found = sorted(glob.glob(os.path.join(root, "boot", name + "-*")))
        if not found:
            raise RuntimeError("the guest's root has no /boot/%s-*" % name)
        shutil.copy(found[-1], os.path.join(work, name))
    subprocess.run(["mkfs.ext4", "-q", "-F", "-L", "corvane-guest", "-d", root, os.path.join(work, "disk.img"),
                    DISK_SIZE], check=True, stdout=subprocess.DEVNULL)


def prepare_prefix(work):
    """Makes the 32-bit prefix in the image, in a first boot whose writes are kept."""
    script = ("export CORVANE_WINE_ARCH=win32 WINEPREFIX=%s\nrm -rf \"$WINEPREFIX\" && . scripts/wine-env.sh && "
              "corvane_prefix_ready && test -s \"$WINEPREFIX/system.reg\"\n" % PREFIX)
    status = guest_vm.run(work, ROOT, script, PREPARE_TIMEOUT, snapshot=False)
    if status != 0:
        raise RuntimeError("making the Wine prefix in the guest failed (exit status %d)" % status)


def build(final):
    work = final + ".partial"
    remove_unmounted(work)
    os.makedirs(work)
    start = time.monotonic()
    print("guest: building the image %s (Debian's packages; some minutes)" % final, flush=True)
    root = bootstrap(work)
    configure(root)
    extract(root, work)
    shutil.rmtree(root)
    shutil.rmtree(os.path.join(work, "sources"), ignore_errors=True)
    built = time.monotonic()
    prepare_prefix(work)
    open(os.path.join(work, COMPLETE), "w").close()
    shutil.rmtree(final, ignore_errors=True)
    os.rename(work, final)
    used = subprocess.run(["du", "-s", "--block-size=1", final], stdout=subprocess.PIPE, check=True).stdout
    used = int(used.split()[0])
    print("guest: image built in %.0f s and its prefix made in %.0f s; %.1f GB on disk (its disk is sparse)" %
          (built - start, time.monotonic() - built, used / 1e9), flush=True)


def ready_image():
    """The folder of this recipe's whole image, built first if there is none. A build cut short leaves only a
    .partial folder, which the next build starts again; images of other recipes are removed once this one is
    whole."""
    final = image_dir()
    if is_complete(final):
        return final
    os.makedirs(CACHE, exist_ok=True)
    with open(os.path.join(CACHE, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not is_complete(final):
            build(final)
        for other in glob.glob(os.path.join(CACHE, "*")):
            if other != final and os.path.isdir(other):
                remove_unmounted(other)
    return final


if __name__ == "__main__":
    guest_vm.exit_on_sigterm()
    try:
        print(ready_image())
    except (RuntimeError, subprocess.CalledProcessError, subprocess.TimeoutExpired) as e:
        sys.exit("guest: the image could not be built: %s" % e)
