"""Boots the test guest's disk image under QEMU, runs one shell script in the shared checkout and powers it off."""
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

QEMU = "/usr/bin/qemu-system-x86_64"
# Where the guest's image is kept, and the finding that the hypervisor cannot boot it on this machine.
CACHE = os.environ.get("CORVANE_GUEST_CACHE", "/var/cache/corvane-guest")
KVM_FAILS = os.path.join(CACHE, "kvm-does-not-boot")
KVM = "/dev/kvm"
KVM_GET_API_VERSION = 0xAE00
# Memory and processors of the guest: what a test run of the 32-bit program needs, on the 2-core machines it runs on.
MEMORY_MIB = 4096
CPUS = 2
# How long the guest is given to end by itself once it is told to stop, before it is killed.
STOP_TIMEOUT = 10
# Under the hypervisor the guest reaches its init in seconds. Some machines offer /dev/kvm but cannot run a
# kernel on it (the guest hangs as it enters long mode, or QEMU aborts as it sets up the processor); a guest not
# up by then, or whose QEMU ended first, is booted under the translator.
KVM_BOOT_LIMIT = 60


def accelerator():
    """("kvm", why) where the kernel's hypervisor can be used, else ("tcg", why): QEMU's own translator, some 8 to
    11 times slower. CORVANE_GUEST_ACCEL=tcg takes the translator on any machine."""
    if os.environ.get("CORVANE_GUEST_ACCEL") == "tcg":
        return "tcg", "CORVANE_GUEST_ACCEL=tcg"
    if _kvm_failed_here():
        return "tcg", "the guest did not boot under %s on this machine before (%s)" % (KVM, KVM_FAILS)
    try:
        fd = os.open(KVM, os.O_RDWR | os.O_CLOEXEC)
    except OSError as e:
        return "tcg", "%s cannot be opened (%s)" % (KVM, e.strerror)
    try:
        fcntl.ioctl(fd, KVM_GET_API_VERSION)
    except OSError as e:
        return "tcg", "%s does not answer (%s)" % (KVM, e.strerror)
    finally:
        os.close(fd)
    return "kvm", "%s is usable" % KVM


def _machine():
    return "%s %s" % (os.uname().release, os.path.realpath(QEMU))


def _kvm_failed_here():
    try:
        with open(KVM_FAILS) as f:
            return f.read() == _machine()
    except OSError:
        return False


def qemu_command(image, job, root, snapshot, accel):
    # Under the translator with -cpu max, every 32-bit process dies at an iret in a supervisor access check of its
    # user stack (SMAP as QEMU 7.2 emulates it); the CPU is described without SMAP and protection keys instead.
    cpu = ["-accel", "kvm", "-cpu", "host"] if accel == "kvm" else \
        ["-accel", "tcg,thread=multi", "-cpu", "max,smap=off,pku=off"]
    share = "local,id={0},path={1},security_model=passthrough"
    return [QEMU, "-nodefaults", "-no-user-config", "-display", "none", "-no-reboot",
            "-m", str(MEMORY_MIB), "-smp", str(CPUS)] + cpu + [
        "-kernel", os.path.join(image, "vmlinuz"), "-initrd", os.path.join(image, "initrd.img"),
        "-append", "root=/dev/vda rw init=/sbin/corvane-init console=ttyS0 quiet panic=-1",
        "-drive", "file=%s,format=raw,if=virtio,cache=unsafe%s" % (os.path.join(image, "disk.img"),
                                                                   ",snapshot=on" if snapshot else ""),
        "-fsdev", share.format("job", job), "-device", "virtio-9p-pci,fsdev=job,mount_tag=job",
        "-fsdev", share.format("checkout", root), "-device", "virtio-9p-pci,fsdev=checkout,mount_tag=checkout",
        "-nic", "none",
        "-serial", "file:" + os.path.join(job, "console.log"), "-serial", "stdio"]


def _stop(qemu):
    if qemu.poll() is None:
        qemu.terminate()
        try:
            qemu.wait(STOP_TIMEOUT)
        except subprocess.TimeoutExpired:
            qemu.kill()
            qemu.wait()


def exit_on_sigterm():
    """SIGTERM ends this process as Ctrl-C would: by an exception, so that every cleanup on the way out runs."""
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))


def run(image, root, script, timeout, snapshot=True):
    """Runs script (shell text) in the guest booted from image, with root, the checkout, shared at its own path and
    as its working folder. Returns the script's exit status, or raises RuntimeError when the guest ended without
    one (it did not boot, crashed or ran past timeout seconds). The script's output goes to this process's output.
    With snapshot, nothing the guest writes to its disk is kept. However this ends (an exception, Ctrl-C), QEMU
    has ended."""
    job = tempfile.mkdtemp(prefix="corvane-guest-")
    try:
        for name, text in (("root", root), ("command", script)):
            with open(os.path.join(job, name), "w") as f:
                f.write(text)
        accel, _ = accelerator()
        if accel == "kvm":
            status = _boot(image, job, root, snapshot, "kvm", timeout)
            if status is not None:
                return status
            with open(KVM_FAILS, "w") as f:
                f.write(_machine())
            print("guest: it did not come up under %s (QEMU ended, or %d s passed); booting it under QEMU's "
                  "translator instead, here from now on" % (KVM, KVM_BOOT_LIMIT), flush=True)
        return _boot(image, job, root, snapshot, "tcg", timeout)
    finally:
        shutil.rmtree(job, ignore_errors=True)


def _boot(image, job, root, snapshot, accel, timeout):
    """The script's exit status; None when, under the hypervisor, the guest did not come up in time or QEMU ended
    before it did."""
    sys.stdout.flush()
    # A session of its own: a Ctrl-C at the terminal reaches this process, which then ends QEMU itself.
    qemu = subprocess.Popen(qemu_command(image, job, root, snapshot, accel), stdin=subprocess.DEVNULL,
                            start_new_session=True)
    try:
        if accel == "kvm":
            deadline = time.monotonic() + KVM_BOOT_LIMIT
            while not os.path.exists(os.path.join(job, "booted")):
                if time.monotonic() > deadline or qemu.poll() is not None:
                    return None
                time.sleep(0.2)
        try:
            qemu.wait(timeout)
        except subprocess.TimeoutExpired:
            raise RuntimeError("the guest ran past its time limit of %d s and was stopped" % timeout) from None
        try:
            with open(os.path.join(job, "status")) as f:
                return int(f.read())
        except (OSError, ValueError):
            raise RuntimeError("the guest ended without the command's status (QEMU exit status %d); its console "
                               "said:\n%s" % (qemu.returncode, _tail(os.path.join(job, "console.log")))) from None
    finally:
        _stop(qemu)


def _tail(path, lines=30):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return "(no console log)"

