#!/usr/bin/python3
"""Prints what a Windows executable's bytes go to: its file size, each section's size in the file and in
memory, and each resource (type, name, language) with its data size; with --map, the largest contributors
that the program's own link map names (object or archive member, bytes over every output section); with
--at-most, fails when the file is larger than that many bytes.
Usage: run.py [--at-most BYTES] [--map LINK.map [--top N]] [PROGRAM.exe]"""
import argparse
import os
import re
import struct
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DEFAULT = os.path.join(ROOT, "build", "win32", "bin", "CorvaneOnlineSetup.exe")
RESOURCE_TYPES = {1: "CURSOR", 2: "BITMAP", 3: "ICON", 4: "MENU", 5: "DIALOG", 6: "STRING", 9: "ACCELERATOR",
                  10: "RCDATA", 12: "GROUP_CURSOR", 14: "GROUP_ICON", 16: "VERSION", 24: "MANIFEST"}
RESOURCE_DIRECTORY = 2  # index of the resource table among the optional header's data directories
# An input section's line in the map: name (or only the rest, when a long name stood on the line before),
# address, size and the object it came from.
INPUT_SECTION = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
# The objects the whole-program step writes (one per partition) hold the program's own code and data.
LTO_OBJECT = re.compile(r"ltrans\d*\.ltrans\.o$")
OWN_CODE = "(the program's own code, optimised at link time)"
# ld's name for the input it makes itself: the base relocations of .reloc.
LINKER_MADE = {"dll stuff": "(base relocations, made by the linker)"}


class PortableExecutable:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 8 * RESOURCE_DIRECTORY)[0]
        self.sections = []
        for i in range(count):
            name, vsize, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data,
                                                                         optional + optional_size + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"), vsize, rva, raw_size, raw_offset))

    def offset(self, rva):
        for _, vsize, start, raw_size, raw_offset in self.sections:
            if start <= rva < start + max(vsize, raw_size):
                return raw_offset + rva - start
        raise ValueError("address 0x%x lies in no section" % rva)

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
    parser.add_argument("program", nargs="?", default=DEFAULT)
    args = parser.parse_args()
    path = args.program
    with open(path, "rb") as f:
        data = f.read()
    exe = PortableExecutable(data)
    print("%s: %d bytes (%.1f KB)" % (os.path.relpath(path), len(data), len(data) / 1024.0))
    print()
    print("%-10s %10s %10s" % ("section", "in file", "in memory"))
    for name, vsize, _, raw_size, _ in exe.sections:
        print("%-10s %10d %10d" % (name, raw_size, vsize))
    headers = len(data) - sum(s[3] for s in exe.sections)
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
    if args.map:
        parts = contributions(args.map)
        print()
        print("the %d largest of %d contributors in %s (bytes in memory, every section):"
              % (min(args.top, len(parts)), len(parts), os.path.relpath(args.map)))
        for key, size in sorted(parts.items(), key=lambda item: (-item[1], item[0]))[:args.top]:
            print("%10d  %s" % (size, key))
        print("%10d  (all %d)" % (sum(parts.values()), len(parts)))
    if args.at_most is not None and len(data) > args.at_most:
        print("%d bytes, more than the %d allowed" % (len(data), args.at_most))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
