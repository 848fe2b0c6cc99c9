"""A setup-info service that misbehaves: silent, stopping after its headers, trickling, never ending. Each run ends
in the query failure message within 60 s, without memory beyond what the program needs anyway."""
import os
import re

import pytest

from conftest import SERVICE_PORT, wait_for
from localservers import PYTHON, SERVERS, ServerProcess, _wait_for_ports
from test_startup import message_windows

ANSWER = b'<?xml version="1.0" encoding="gb2312" ?><qzvrsetup fileurl="http://127.0.0.1/x.exe" filesign="" />'
GIVEN_UP = "Quillfen: no whole answer from the setup-info service within 45000 ms; given up\\n"


@pytest.fixture
def faulty_service(tmp_path):
    """Starts the fault server on the service's port, answering every request as the path given."""
    servers = []

    def start(path):
        www = tmp_path / "www"
        www.mkdir(exist_ok=True)
        (www / "answer.xml").write_bytes(ANSWER)
        server = ServerProcess(str(tmp_path / "fault.pid"), str(tmp_path / "fault.out"))
        servers.append(server.start([PYTHON, os.path.join(SERVERS, "fault_server.py"), str(SERVICE_PORT), str(www),
                                     str(tmp_path / "requests.log"), path]))
        _wait_for_ports([SERVICE_PORT], [server])

    yield start
    for server in servers:
        server.stop()


def peak_mib(pid):
    """The process's peak resident memory so far."""
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmHWM:\s+(\d+) kB", f.read()).group(1)) / 1024.0


def query_failure(run, driver, data_dir):
    """Waits up to 60 s for the query failure message; returns the process's peak memory then, after the message
    is dismissed and the run has ended as a failed query ends."""
    boxes = wait_for(lambda: message_windows(driver), 60)
    assert boxes, "no failure message within 60 s"
    peak = peak_mib(run.proc.pid)
    assert "Quillfen: no setup information\\n" in run.debug_lines()
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)
    assert run.wait(15) == 0
    assert run.workflow_marks() == ["3"]
    assert os.listdir(data_dir) == []
    return peak


# Silence ends at the request's receive time-out; a body byte every 2 s, each within that time-out, only at the
# bound of the whole exchange.
@pytest.mark.parametrize("fault, bound", [("/silent/x", False), ("/headers/answer.xml", False),
                                          ("/drip/answer.xml?ms=2000&chunk=1", True)],
                         ids=["silent", "headers-then-silence", "trickle"])
def test_an_answer_that_never_completes_ends_in_the_query_failure_within_60_s(installer, driver, data_dir,
                                                                               faulty_service, fault, bound):
    faulty_service(fault)
    run = installer()
    query_failure(run, driver, data_dir)
    assert (GIVEN_UP in run.debug_lines()) == bound


def test_an_endless_answer_ends_in_the_query_failure_within_the_usual_memory(installer, driver, data_dir,
                                                                             faulty_service):
    # The usual memory: a run whose service does not answer at all.
    usual = query_failure(installer(), driver, data_dir)
    faulty_service("/endless/x")
    run = installer()
    peak = query_failure(run, driver, data_dir)
    assert "Quillfen: the setup-info answer passes 65536 bytes; it is not an answer\\n" in run.debug_lines()
    assert peak - usual < 16, "peak %.1f MiB against %.1f MiB without a service" % (peak, usual)
