#!/usr/bin/python3
"""Whether this machine runs 32-bit x86 programs natively, and which Windows architecture a program is built for.

Usage: corvane_arch.py            prints "yes: REASON" or "no: REASON"; exit status 0 for yes, 1 for no
       corvane_arch.py --runner   prints where the 32-bit program's tests run: "native: REASON", "guest: REASON"
                                  (a full-system QEMU guest, scripts/in-guest) or "skip: REASON"
       corvane_arch.py PROGRAM    prints win32 or win64, the Wine architecture PROGRAM needs
Setting CORVANE_NO_32BIT=1 takes the answer of a machine without 32-bit mode, whatever the machine can do, and
skips the 32-bit program's tests; CORVANE_GUEST=1 runs them in the guest on a machine that has 32-bit mode.
"""
import os
import struct
import subprocess
import sys
import tempfile

# The smallest i386 Linux program: an ELF header, one loadable segment, and exit(42) through int 0x80.
_BASE = 0x08048000
_CODE = bytes([0xBB, 42, 0, 0, 0,   # mov ebx, 42
               0xB8, 1, 0, 0, 0,    # mov eax, 1 (exit)
               0xCD, 0x80])         # int 0x80
_HEADERS = 52 + 32
_PROBE = (b"\x7fELF\x01\x01\x01" + bytes(9)
          + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, _BASE + _HEADERS, 52, 0, 0, 52, 32, 1, 0, 0, 0)
          + struct.pack("<IIIIIIII", 1, 0, _BASE, _BASE, _HEADERS + len(_CODE), _HEADERS + len(_CODE), 5, 0x1000)
          + _CODE)
_EXIT = 42
# The first bytes binfmt_misc matches for an i386 ELF executable: class 32, little-endian, machine 3.
_I386_MAGIC = "7f454c4601010100"
BINFMT = "/proc/sys/fs/binfmt_misc"


def _emulator_entry():
    """The enabled binfmt_misc entry that hands i386 programs to an emulator, if any: the kernel asks such
    entries before its own loader, so a probe that runs then proves nothing about the processor's mode."""
    try:
        names = os.listdir(BINFMT)
    except OSError:
        return None
    for name in names:
        try:
            with open(os.path.join(BINFMT, name)) as f:
                text = f.read()
        except OSError:
            continue
        fields = dict(line.split(" ", 1) for line in text.splitlines() if " " in line)
        if text.startswith("enabled") and fields.get("magic", "").startswith(_I386_MAGIC):
            return "%s (%s)" % (name, fields.get("interpreter", "?"))
    return None


def probe():
    """(True, reason) when a 32-bit x86 program runs natively here, else (False, reason)."""
    if os.environ.get("CORVANE_NO_32BIT") == "1":
        return False, "CORVANE_NO_32BIT=1 takes the path of a machine without 32-bit mode"
    entry = _emulator_entry()
    if entry:
        return False, "i386 programs are handed to an emulator by the binfmt_misc entry %s" % entry
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "probe32")
        with open(path, "wb") as f:
            f.write(_PROBE)
        os.chmod(path, 0o755)
        try:
            status = subprocess.run([path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        except OSError as error:
            return False, "the kernel refuses a 32-bit x86 program (%s)" % error.strerror
    if status != _EXIT:
        return False, "a 32-bit x86 program ends with status %d instead of %d" % (status, _EXIT)
    return True, "a 32-bit x86 program runs natively"


def runner():
    """(where, reason): where the 32-bit program's Windows and end-to-end tests run, "native", "guest" or "skip"."""
    if os.environ.get("CORVANE_NO_32BIT") == "1":
        return "skip", "CORVANE_NO_32BIT=1 skips the 32-bit program's tests"
    runs, reason = probe()
    if runs and os.environ.get("CORVANE_GUEST") == "1":
        return "guest", "CORVANE_GUEST=1 takes the guest although %s" % reason
    return ("native" if runs else "guest"), reason


def wine_arch(program):
    """win32 or win64: the Wine architecture of a Windows executable, from its PE header's machine field."""
    with open(program, "rb") as f:
        head = f.read(4096)
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    if head[pe:pe + 4] != b"PE\0\0":
        raise ValueError("%s is not a PE file" % program)
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    arches = {0x14C: "win32", 0x8664: "win64"}
    if machine not in arches:
        raise ValueError("%s is built for machine 0x%x, neither i386 nor x86-64" % (program, machine))
    return arches[machine]


def main(args):
    if args == ["--runner"]:
        print("%s: %s" % runner())
        return 0
    if args:
        print(wine_arch(args[0]))
        return 0
    runs, reason = probe()
    print("%s: %s" % ("yes" if runs else "no", reason))
    return 0 if runs else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
