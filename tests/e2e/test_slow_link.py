"""A slow link: at 8 KB/s the amount shown still moves every second or two, and a link that then falls silent is
given up at the receive time-out and resumed within the same run from exactly the bytes that had arrived."""
import os
import shutil

import pytest

from conftest import SERVICE_PORT, launched, make_installer, wait_for
from localservers import PYTHON, SERVERS, ServerProcess, _wait_for_ports
from test_startup import main_window

FAULT_PORT = SERVICE_PORT + 3
AMOUNT = 1023
# 8 KB/s: 1 KiB every 125 ms. The first request for the body falls silent after STALL bytes (12 s of it).
STALL = 96 << 10
SIZE = 160 << 10


@pytest.fixture
def fault_server(tmp_path):
    """The fault server serving the files of tmp_path/www; its request log."""
    www = tmp_path / "www"
    www.mkdir()
    log = str(tmp_path / "requests.log")
    server = ServerProcess(str(tmp_path / "fault.pid"), str(tmp_path / "fault.out"))
    server.start([PYTHON, os.path.join(SERVERS, "fault_server.py"), str(FAULT_PORT), str(www), log])
    try:
        _wait_for_ports([FAULT_PORT], [server])
        yield www, log
    finally:
        server.stop()


def test_at_8_kb_s_the_amount_moves_and_a_silent_link_is_given_up_and_resumed(installer, driver, data_dir, service,
                                                                               fault_server, tmp_path):
    www, log = fault_server
    source = make_installer(str(tmp_path / "setup.exe"), SIZE)
    shutil.copy(source, str(www / "setup.exe"))
    service.publish(source).start()
    url = "http://127.0.0.1:%d/drip/setup.exe?ms=125&chunk=1024&stall=%d&key=slow" % (FAULT_PORT, STALL)
    service.write_answer(url.replace("&", "&amp;"), service.signature)
    run = installer()
    windows = wait_for(lambda: main_window(driver), 30)
    assert windows, "the installer window did not appear"
    hwnd = windows[0]["hwnd"]

    # Once the body flows, the amount label (refreshed by a one-second timer, in steps of 0.01 MiB: 1.28 s of
    # this link) changes at every tick or every other one. A read that waited for a whole 64 KiB block would
    # leave it still for 8 s.
    assert wait_for(lambda: (driver.text(hwnd, AMOUNT) or "0.00M") != "0.00M", 30), "no amount shown"
    amounts = driver.watch(hwnd, AMOUNT, 6)
    gaps = [(b - a) / 1000.0 for (a, _), (b, _) in zip(amounts, amounts[1:])]
    assert len(gaps) >= 3 and max(gaps) <= 2.5, amounts

    # The silence is given up at the 30 s receive time-out, and the next attempt asks for the rest from the
    # very byte where the first stopped: the bytes that had arrived all reached the temporary file.
    assert launched(data_dir, 120), "the installer was not launched"
    assert run.wait(30) == 0
    assert any(line.startswith("Quillfen: download attempt 1 failed; attempt 2 in") for line in run.debug_lines())
    with open(log, encoding="utf-8") as f:
        requests = f.read()
    assert '["Range", "bytes=%d-"]' % STALL in requests, requests
    with open(source, "rb") as a, open(os.path.join(data_dir, "qzvr_setup_0.exe"), "rb") as b:
        assert a.read() == b.read()
