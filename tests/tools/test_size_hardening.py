"""The size report's hardening check names each mitigation a built program loses: its header fields changed
one at a time, and its link map without the program's own call to the stack protector's failure routine."""
import importlib.util
import os
import struct

import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# Loaded by its path: each benchmark's script is named run.py.
_spec = importlib.util.spec_from_file_location("size_report", os.path.join(ROOT, "bench", "size", "run.py"))
size_report = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(size_report)

SUBSYSTEM, DLL_CHARACTERISTICS = 68, 70  # offsets in the optional header, the same in PE32 and PE32+
WRITE = 0x80000000


def built(arch):
    program = os.path.join(ROOT, "build", arch, "bin", "CorvaneOnlineSetup.exe")
    link_map = os.path.join(ROOT, "build", arch, "app", "CorvaneOnlineSetup.map")
    with open(program, "rb") as f:
        return f.read(), link_map


def changed(data, offset, form, change):
    copy = bytearray(data)
    struct.pack_into(form, copy, offset, change(struct.unpack_from(form, copy, offset)[0]))
    return size_report.PortableExecutable(bytes(copy))


@pytest.mark.parametrize("arch", ["win32", "win64"])
def test_each_mitigation_a_program_loses_is_named(arch, tmp_path):
    data, link_map = built(arch)
    exe = size_report.PortableExecutable(data)
    assert size_report.hardening_faults(exe, link_map) == []
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    text = next(i for i, s in enumerate(exe.sections) if s.name == ".text")
    text_flags = optional + struct.unpack_from("<H", data, pe + 20)[0] + 40 * text + 36
    cases = [(optional + DLL_CHARACTERISTICS, "<H", lambda v, bit=bit: v & ~bit, "no " + name)
             for bit, name in size_report.DLL_FLAGS
             if name in size_report.REQUIRED_FLAGS_PE32_PLUS and (exe.plus or name != "HIGH_ENTROPY_VA")]
    cases += [(pe + 22, "<H", lambda v: v | size_report.RELOCS_STRIPPED, "no base relocations"),
              (text_flags, "<I", lambda v: v | WRITE, "section .text is both writable and executable"),
              (optional + SUBSYSTEM, "<H", lambda v: 3, "subsystem console, not GUI")]
    for offset, form, change, fault in cases:
        faults = size_report.hardening_faults(changed(data, offset, form, change), link_map)
        assert len(faults) == 1 and faults[0].startswith(fault), fault

    # The same map with a runtime library's object, not the program's own, calling the routine: the guard's
    # library was linked, yet no function of the program checks a cookie. The next symbol's referrers, the
    # program's own object among them, do not count.
    with open(link_map, encoding="utf-8", errors="replace") as f:
        lines = f.readlines()
    table = next(i for i, line in enumerate(lines) if line.startswith("Cross Reference Table"))
    routine = next(i for i in range(table, len(lines)) if lines[i].split()[:1] == ["__stack_chk_fail"])
    end = next(i for i in range(routine + 1, len(lines)) if not lines[i].startswith(" "))
    assert any(size_report.LTO_OBJECT.search(line.strip()) for line in lines[end:])
    uncalled = tmp_path / "uncalled.map"
    uncalled.write_text("".join(lines[:routine + 1] + [" " * 50 + "/usr/lib/libmingwex.a(strnlen.o)\n"]
                                + lines[end:]))
    assert size_report.hardening_faults(exe, str(uncalled)) == [
        "the program's own code never calls __stack_chk_fail: it has no stack cookies"]
    no_table = tmp_path / "no-table.map"
    no_table.write_text("".join(lines[:table]))
    with pytest.raises(ValueError, match="--cref"):
        size_report.hardening_faults(exe, str(no_table))
