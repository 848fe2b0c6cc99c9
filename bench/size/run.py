#!/usr/bin/python3
"""Prints what a Windows executable's bytes go to: its file size, each section's size in the file and in
memory, and each resource (type, name, language) with its data size; with --at-most, fails when the file is
larger than that many bytes. Usage: run.py [--at-most BYTES] [PROGRAM.exe]"""
import argparse
import os
import struct
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DEFAULT = os.path.join(ROOT, "build", "win32", "bin", "CorvaneOnlineSetup.exe")
RESOURCE_TYPES = {1: "CURSOR", 2: "BITMAP", 3: "ICON", 4: "MENU", 5: "DIALOG", 6: "STRING", 9: "ACCELERATOR",
                  10: "RCDATA", 12: "GROUP_CURSOR", 14: "GROUP_ICON", 16: "VERSION", 24: "MANIFEST"}
RESOURCE_DIRECTORY = 2  # index of the resource table among the optional header's data directories


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--at-most", type=int)
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
    if args.at_most is not None and len(data) > args.at_most:
        print("%d bytes, more than the %d allowed" % (len(data), args.at_most))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
