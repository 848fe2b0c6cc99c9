"""scripts/in-guest: a command's output, exit status and files come back from the guest, which runs 32-bit code;
a run stopped by SIGTERM or by its time limit leaves nothing of its own running."""
import os
import subprocess
import uuid

import pytest

import corvane_arch
from scoped_run import processes

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
IN_GUEST = os.path.join(ROOT, "scripts", "in-guest")
# Every process of one run inherits this variable; its value is new for each run.
MARK = "CORVANE_GUEST_TEST_RUN"

pytestmark = pytest.mark.skipif(corvane_arch.runner()[0] != "guest",
                                reason="the guest is used where 32-bit code does not run natively, or with "
                                       "CORVANE_GUEST=1 (%s: %s)" % corvane_arch.runner())


def start(*command):
    mark = uuid.uuid4().hex
    process = subprocess.Popen(["/usr/bin/python3", IN_GUEST] + list(command), cwd=ROOT,
                               env=dict(os.environ, **{MARK: mark}), stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    return process, mark


def left_running(mark):
    entry = ("%s=%s" % (MARK, mark)).encode()
    return {pid: cmdline for pid, (_, environ, cmdline) in processes().items() if entry in environ}


def test_a_commands_output_status_and_files_come_back():
    name = uuid.uuid4().hex
    written = os.path.join(ROOT, "build", "guest-check", name)
    script = ("/usr/bin/python3 scripts/corvane_arch.py; echo to stderr >&2; mkdir -p build/guest-check; "
              "echo \"$GUEST_VALUE\" > build/guest-check/%s; exit 7" % name)
    process, mark = start("GUEST_VALUE=a value", "sh", "-c", script)
    out = process.communicate()[0].decode()
    try:
        assert process.returncode == 7, out
        assert "yes: a 32-bit x86 program runs natively" in out and "to stderr" in out
        with open(written) as f:
            assert f.read() == "a value\n"
    finally:
        if os.path.exists(written):
            os.remove(written)
    assert subprocess.run(["/usr/bin/python3", IN_GUEST, "true"], cwd=ROOT, stdout=subprocess.DEVNULL).returncode == 0
    assert not left_running(mark)


def test_a_run_stopped_by_sigterm_or_its_time_limit_leaves_nothing_running():
    process, mark = start("sh", "-c", "echo the command started; exec sleep 600")
    for line in process.stdout:
        if b"the command started" in line:
            break
    else:
        pytest.fail("the command never started in the guest")
    assert left_running(mark)
    process.terminate()
    assert process.wait(60) == 143
    assert not left_running(mark)

    process, mark = start("--timeout", "3", "sleep", "600")
    out = process.communicate(timeout=120)[0].decode()
    assert process.returncode == 125 and "time limit of 3 s" in out, out
    assert not left_running(mark)
