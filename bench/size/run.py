#!/usr/bin/python3
"""Prints what a Windows executable's bytes go to: its file size, its image flags, each section's size in the
file and in memory with its access, and each resource (type, name, language) with its data size; with --map,
the largest contributors that the program's own link map names (object or archive member, bytes over every
output section) and whether its own code checks stack cookies; with --at-most, fails when the file is larger
than that many bytes; with --hardened, fails when the image lacks a mitigation the programs are built with.
Usage: run.py [--at-most BYTES] [--map LINK.map [--top N]] [--hardened] [PROGRAM.exe]"""
import argparse
import collections
import os
import re
import struct
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DEFAULT = os.path.join(ROOT, "build", "win32", "bin", "CorvaneOnlineSetup.exe")
RESOURCE_TYPES = {1: "CURSOR", 2: "BITMAP", 3: "ICON", 4: "MENU", 5: "DIALOG", 6: "STRING", 9: "ACCELERATOR",
                  10: "RCDATA", 12: "GROUP_CURSOR", 14: "GROUP_ICON", 16: "VERSION", 24: "MANIFEST"}
RESOURCE_DIRECTORY = 2  # index of the resource table among the optional header's data directories
RELOCATION_DIRECTORY = 5  # index of the base relocation table
RELOCS_STRIPPED = 0x0001  # file header: the image can be loaded only at its preferred base
# The optional header's DllCharacteristics, by their Windows names.
DLL_FLAGS = [(0x0020, "HIGH_ENTROPY_VA"), (0x0040, "DYNAMIC_BASE"), (0x0080, "FORCE_INTEGRITY"),
             (0x0100, "NX_COMPAT"), (0x0200, "NO_ISOLATION"), (0x0400, "NO_SEH"), (0x0800, "NO_BIND"),
             (0x1000, "APPCONTAINER"), (0x2000, "WDM_DRIVER"), (0x4000, "GUARD_CF"),
             (0x8000, "TERMINAL_SERVER_AWARE")]
SUBSYSTEMS = {1: "native", 2: "GUI", 3: "console"}
GUI_SUBSYSTEM = 2
SECTION_ACCESS = [(0x40000000, "r"), (0x80000000, "w"), (0x20000000, "x")]
# What every image both programs ship must carry: randomised addresses (high-entropy ones for a 64-bit image)
# and no-execute data, and no compatibility redirections on a Remote Desktop server.
REQUIRED_FLAGS = ["DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVER_AWARE"]
REQUIRED_FLAGS_PE32_PLUS = REQUIRED_FLAGS + ["HIGH_ENTROPY_VA"]
# GCC's stack protector calls this routine (libssp's) when a function's cookie was overwritten.
STACK_CHECK_FAILED = "__stack_chk_fail"
# An input section's line in the map: name (or only the rest, when a long name stood on the line before),
# address, size and the object it came from.
INPUT_SECTION = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
# The objects the whole-program step writes (one per partition) hold the program's own code and data.
LTO_OBJECT = re.compile(r"ltrans\d*\.ltrans\.o$")
OWN_CODE = "(the program's own code, optimised at link time)"
# ld's name for the input it makes itself: the base relocations of .reloc.
LINKER_MADE = {"dll stuff": "(base relocations, made by the linker)"}

Section = collections.namedtuple("Section", "name vsize rva raw_size raw_offset characteristics")


class PortableExecutable:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        count, optional_size, self.file_flags = struct.unpack_from("<H12xHH", data, pe + 6)
        optional = pe + 24
        magic, self.subsystem, self.dll_flags = struct.unpack_from("<H66xHH", data, optional)
        self.plus = magic != 0x10B
        directories = optional + (112 if self.plus else 96)
        self.resource_rva = struct.unpack_from("<I", data, directories + 8 * RESOURCE_DIRECTORY)[0]
        self.relocations = struct.unpack_from("<4xI", data, directories + 8 * RELOCATION_DIRECTORY)[0]
        self.sections = []
        for i in range(count):
            fields = struct.unpack_from("<8sIIII12xI", data, optional + optional_size + 40 * i)
            self.sections.append(Section(fields[0].rstrip(b"\0").decode("ascii", "replace"), *fields[1:]))

    def offset(self, rva):
        for section in self.sections:
            if section.rva <= rva < section.rva + max(section.vsize, section.raw_size):
                return section.raw_offset + rva - section.rva
        raise ValueError("address 0x%x lies in no section" % rva)

    def flag_names(self):
        return [name for bit, name in DLL_FLAGS if self.dll_flags & bit]

    def relocatable(self):
        return self.relocations > 0 and not self.file_flags & RELOCS_STRIPPED

    def resources(self):
        """(type, name, language, size) of every resource, in the order of the resource tree."""
        if not self.resource_rva:
            return []
        base = self.offset(self.resource_rva)
        found = []

        def label(entry_name):
            if entry_name & 0x80000000:
                at = base + (entry_name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            return entry_name

        def walk(at, path):
            named, numbered = struct.unpack_from("<12xHH", self.data, at)
            for i in range(named + numbered):
                entry_name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                key = path + [label(entry_name)]
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), key)
                else:
                    size = struct.unpack_from("<I", self.data, base + target + 4)[0]
                    found.append((RESOURCE_TYPES.get(key[0], key[0]), key[1], key[2], size))
        walk(base, [])
        return found


def contributor(path):
    """An object by its file name, an archive member as archive(member); the link's own objects as one."""
    if LTO_OBJECT.search(path):
        return OWN_CODE
    if path in LINKER_MADE:
        return LINKER_MADE[path]
    member = re.match(r"^(.*)\((.*)\)$", path)
    if member:
        return "%s(%s)" % (os.path.basename(member.group(1)), member.group(2))
    return os.path.basename(path)


def access(characteristics):
    return "".join(letter if characteristics & bit else "-" for bit, letter in SECTION_ACCESS)


def referrers(map_path, symbol):
    """The files that the link map's cross reference table (ld --cref) gives as referring to the symbol, its
    definer left out; None when the map has no such table."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("Cross Reference Table"):
                break
        else:
            return None
        found = None
        for line in f:
            if not line.startswith(" "):
                if found is not None:
                    break
                words = line.split()
                found = [] if words and words[0] == symbol else None
            elif found is not None:
                found.append(line.strip())
        return found or []


def stack_checked(map_path):
    """Whether the program's own code calls the stack protector's failure routine: it has stack cookies."""
    found = referrers(map_path, STACK_CHECK_FAILED)
    if found is None:
        raise ValueError("%s has no cross reference table: link with -Wl,--cref" % map_path)
    return any(contributor(path) == OWN_CODE for path in found)


def hardening_faults(exe, map_path):
    """What the image lacks of the mitigations both programs are built with; empty when it has them all."""
    required = REQUIRED_FLAGS_PE32_PLUS if exe.plus else REQUIRED_FLAGS
    faults = ["no %s" % name for name in required if name not in exe.flag_names()]
    if not exe.relocatable():
        faults.append("no base relocations: the loader cannot move the image to a random address")
    faults += ["section %s is both writable and executable" % section.name for section in exe.sections
               if "w" in access(section.characteristics) and "x" in access(section.characteristics)]
    if exe.subsystem != GUI_SUBSYSTEM:
        faults.append("subsystem %s, not GUI" % SUBSYSTEMS.get(exe.subsystem, exe.subsystem))
    if not stack_checked(map_path):
        faults.append("the program's own code never calls %s: it has no stack cookies" % STACK_CHECK_FAILED)
    return faults


def contributions(map_path):
    """{contributor: bytes} over the input sections the link placed in the image: the map's memory map,
    debugging sections left out (a stripped program has none)."""
    totals = {}
    placed = False
    pending = None
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("Linker script and memory map"):
                placed = True
                continue
            if line.startswith("Cross Reference Table"):
                break
            if not placed:
                continue
            if not line.startswith(" "):
                # An output section's line; debugging sections and what is discarded are not in the image.
                output = line.split()[0] if line.strip() else ""
                in_image = not (output.startswith(".debug") or output.startswith("/DISCARD/"))
                pending = None
                continue
            if not in_image:
                continue
            fields = INPUT_SECTION.match(line.rstrip("\n"))
            if not fields:
                # A long input section's name stands alone; its address, size and object follow.
                words = line.split()
                pending = words[0] if len(words) == 1 and not words[0].startswith("*") else None
                continue
            name, size, source = fields.group(1) or pending, int(fields.group(3), 16), fields.group(4).strip()
            pending = None
            if not name or name.startswith("*") or size == 0 or source.startswith("0x"):
                continue
            key = contributor(source)
            totals[key] = totals.get(key, 0) + size
    return totals


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--at-most", type=int)
    parser.add_argument("--map", help="the program's link map (ld -Map)")
    parser.add_argument("--top", type=int, default=20)
    parser.add_argument("--hardened", action="store_true",
                        help="fail unless the image has every mitigation (needs --map, linked with --cref)")
    parser.add_argument("program", nargs="?", default=DEFAULT)
    args = parser.parse_args()
    if args.hardened and not args.map:
        parser.error("--hardened needs --map")
    path = args.program
    with open(path, "rb") as f:
        data = f.read()
    exe = PortableExecutable(data)
    print("%s: %d bytes (%.1f KB)" % (os.path.relpath(path), len(data), len(data) / 1024.0))
    print("%s, %s subsystem, %s, base relocations %d bytes%s" % (
        "PE32+" if exe.plus else "PE32", SUBSYSTEMS.get(exe.subsystem, exe.subsystem),
        " ".join(exe.flag_names()) or "no image flags", exe.relocations,
        "" if exe.relocatable() else " (stripped)"))
    print()
    print("%-10s %10s %10s %6s" % ("section", "in file", "in memory", "access"))
    for section in exe.sections:
        print("%-10s %10d %10d %6s" % (section.name, section.raw_size, section.vsize,
                                       access(section.characteristics)))
    headers = len(data) - sum(section.raw_size for section in exe.sections)
    print("%-10s %10d" % ("(headers)", headers))
    print()
    print("%-12s %8s %6s %10s" % ("resource", "name", "lang", "bytes"))
    totals = {}
    for kind, name, language, size in exe.resources():
        print("%-12s %8s %6s %10d" % (kind, name, language, size))
        totals[kind] = totals.get(kind, 0) + size
    print()
    for kind, size in sorted(totals.items(), key=lambda item: -item[1]):
        print("%-12s %8s %6s %10d" % (kind, "all", "", size))
    print("%-12s %8s %6s %10d" % ("resources", "all", "", sum(totals.values())))
    faults = []
    if args.map:
        parts = contributions(args.map)
        print()
        print("the %d largest of %d contributors in %s (bytes in memory, every section):"
              % (min(args.top, len(parts)), len(parts), os.path.relpath(args.map)))
        for key, size in sorted(parts.items(), key=lambda item: (-item[1], item[0]))[:args.top]:
            print("%10d  %s" % (size, key))
        print("%10d  (all %d)" % (sum(parts.values()), len(parts)))
        faults = hardening_faults(exe, args.map)
        print()
        print("hardening: %s" % ("; ".join(faults) if faults else
                                 "every mitigation, and stack cookies the program's own code checks"))
    status = 1 if args.hardened and faults else 0
    if args.at_most is not None and len(data) > args.at_most:
        print("%d bytes, more than the %d allowed" % (len(data), args.at_most))
        status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
