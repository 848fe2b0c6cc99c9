"""The 32-bit probe and the architecture each step takes: the x86-64 program always, the 32-bit one only where
32-bit code runs natively; Wine's loader always of the program's own architecture."""
import os
import subprocess

import pytest

import corvane_arch

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PROGRAM = {arch: os.path.join(ROOT, "build", arch, "bin", "CorvaneOnlineSetup.exe") for arch in ("win32", "win64")}
# A 32-bit Linux program of the project's own, run without any emulator.
I386_UNIT_TEST = os.path.join(ROOT, "build", "native-i386", "bin", "unit_xml")


def make(*args, no_32bit=False, guest=False):
    env = {k: v for k, v in os.environ.items()
           if k not in ("CORVANE_NO_32BIT", "CORVANE_GUEST", "MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
    if no_32bit:
        env["CORVANE_NO_32BIT"] = "1"
    if guest:
        env["CORVANE_GUEST"] = "1"
    return subprocess.run(["make", "--no-print-directory", "-n"] + list(args), cwd=ROOT, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=True).stdout.decode()


def test_the_probe_agrees_with_a_32_bit_program_of_the_project(monkeypatch):
    monkeypatch.delenv("CORVANE_NO_32BIT", raising=False)
    if not os.path.exists(I386_UNIT_TEST):
        pytest.fail("build the 32-bit unit tests first: make native-i386")
    runs, why = corvane_arch.probe()
    if corvane_arch._emulator_entry():
        assert not runs and "binfmt_misc" in why
        return
    try:
        ran = subprocess.run([I386_UNIT_TEST, "--gtest_brief=1"], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode == 0
    except OSError:
        ran = False
    assert runs == ran, why


def test_the_override_and_an_emulator_entry_mean_no_32_bit_mode(monkeypatch, tmp_path):
    monkeypatch.setenv("CORVANE_NO_32BIT", "1")
    assert corvane_arch.probe() == (False, "CORVANE_NO_32BIT=1 takes the path of a machine without 32-bit mode")

    monkeypatch.delenv("CORVANE_NO_32BIT")
    (tmp_path / "register").write_text("")
    (tmp_path / "status").write_text("enabled\n")
    entry = tmp_path / "qemu-i386"
    entry.write_text("enabled\ninterpreter /usr/libexec/qemu-binfmt/i386-binfmt-P\nflags: PF\noffset 0\n"
                     "magic 7f454c4601010100000000000000000002000300\nmask fffffffffffefe00fffffffffffffffffeffffff\n")
    monkeypatch.setattr(corvane_arch, "BINFMT", str(tmp_path))
    runs, why = corvane_arch.probe()
    assert not runs and "qemu-i386" in why and "emulator" in why
    # A disabled entry hands nothing over: the probe runs the program itself again.
    entry.write_text(entry.read_text().replace("enabled", "disabled", 1))
    assert "binfmt_misc" not in corvane_arch.probe()[1]


def test_the_architecture_of_each_program_is_read_from_its_header(tmp_path):
    for arch, path in PROGRAM.items():
        if not os.path.exists(path):
            pytest.fail("build both programs first: make win64")
        assert corvane_arch.wine_arch(path) == arch
    elf = tmp_path / "elf.exe"
    elf.write_bytes(corvane_arch._PROBE)
    with pytest.raises(ValueError):
        corvane_arch.wine_arch(str(elf))


@pytest.mark.parametrize("no_32bit,guest", [(True, False), (False, False), (False, True)])
def test_each_step_takes_the_architecture_the_machine_runs(no_32bit, guest, monkeypatch):
    monkeypatch.delenv("CORVANE_GUEST", raising=False)
    if no_32bit:
        monkeypatch.setenv("CORVANE_NO_32BIT", "1")
    else:
        monkeypatch.delenv("CORVANE_NO_32BIT", raising=False)
    native = corvane_arch.probe()[0]
    run_arch = "win32" if native else "win64"
    tests = make("win32-test", "win64-test", "e2e-test-win32", no_32bit=no_32bit, guest=guest)
    assert "ctest --test-dir build/win64" in tests
    win32_ctest = "%s/scripts/scoped_run.py ctest --test-dir build/win32" % ROOT
    if no_32bit:
        assert "SKIPPED: the 32-bit Windows tests are not run" in tests and win32_ctest not in tests
    else:
        # Where 32-bit code does not run, or the guest is asked for, the same commands run in the guest.
        prefix = "" if native and not guest else "/usr/bin/python3 %s/scripts/in-guest " % ROOT
        assert "\n%s/usr/bin/python3 %s" % (prefix, win32_ctest) in tests
        assert "\n%sCORVANE_SETUP_HOST=" % prefix in tests
    assert "CORVANE_BIN=%s/build/%s/bin" % (ROOT, run_arch) in make("demo", no_32bit=no_32bit)
    assert "build/%s/bin/skin_region_bench.exe" % run_arch in make("bench-skin", no_32bit=no_32bit)


def test_a_32_bit_programs_end_to_end_tests_are_skipped_with_the_reason_without_32_bit_mode():
    env = dict(os.environ, CORVANE_NO_32BIT="1", CORVANE_BIN=os.path.dirname(PROGRAM["win32"]))
    out = subprocess.run(["/usr/bin/python3", "-m", "pytest", "-q", "-rs", "-p", "no:cacheprovider",
                          "tests/e2e/test_startup.py"], cwd=ROOT, env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT).stdout.decode()
    assert "32-bit program not run: no 32-bit mode on this machine (CORVANE_NO_32BIT=1" in out
    assert " passed" not in out and " skipped" in out


def test_wine_runs_each_program_under_the_loader_of_its_own_architecture():
    for arch, machine in (("win64", "AMD64"), ("win32", "x86")):
        if arch == "win32" and not corvane_arch.probe()[0]:
            continue
        script = ('. scripts/wine-env.sh && corvane_wine_ready >/dev/null && command -v wine && '
                  'wine cmd /c echo %PROCESSOR_ARCHITECTURE%')
        out = subprocess.run(["bash", "-c", script], cwd=ROOT, env=dict(os.environ, CORVANE_WINE_ARCH=arch),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True).stdout.decode()
        wrapper, reported = out.split()[:2]
        assert wrapper == os.path.join(ROOT, "build", "wine-" + arch, "wine")
        assert reported == machine
