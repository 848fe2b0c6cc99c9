"""Start-up: the failure path without a service, one instance per logon, ending during a transfer, the data folder."""
import hashlib
import os
import re
import shutil
import subprocess
import time

import pytest

from conftest import launched, make_installer, screenshot, wait_for

MAIN_SIZE = (437, 254)


def main_window(driver):
    return [w for w in driver.windows() if w["size"] == MAIN_SIZE]


def message_windows(driver):
    return [w for w in driver.windows() if w["size"] != MAIN_SIZE and w["visible"]]


def test_no_service_shows_the_failure_message_then_ends(installer, driver, data_dir, wine_env):
    run = installer()
    boxes = wait_for(lambda: message_windows(driver), 30)
    assert boxes, "the failure message did not appear"
    assert main_window(driver), "the installer window is not there behind the message"
    screenshot(wine_env, "failure-message")
    # Its one button is the default: Enter dismisses it, then the window closes and the program ends.
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)  # WM_COMMAND IDOK
    assert run.wait(15) == 0
    assert run.workflow_marks() == ["3"]
    # The data folder was created, but nothing was written into it.
    assert os.path.isdir(data_dir)
    assert os.listdir(data_dir) == []


def test_second_instance_ends_without_a_window_of_its_own(installer, driver, data_dir):
    first = installer()
    assert wait_for(lambda: message_windows(driver), 30)
    before = driver.windows()
    started = time.time()
    second = installer()
    assert second.wait(15) == 0, "the second instance did not end"
    assert time.time() - started < 15
    after = driver.windows()
    # Same windows, same visibility: nothing new shown (the first one's window was already on screen).
    assert sorted((w["hwnd"], w["visible"]) for w in after) == sorted((w["hwnd"], w["visible"]) for w in before)
    assert first.running()
    for box in message_windows(driver):
        driver.post(box["hwnd"], 0x0111, 1, 0)
    assert first.wait(15) == 0
    # With the first one gone, the next start is a first instance again: it shows its own window.
    third = installer()
    assert wait_for(lambda: message_windows(driver), 30)
    for box in message_windows(driver):
        driver.post(box["hwnd"], 0x0111, 1, 0)
    assert third.wait(15) == 0


def test_leaving_during_a_transfer_keeps_the_partial_file_and_the_next_run_resumes(
        installer, driver, data_dir, service, tmp_path):
    source = make_installer(str(tmp_path / "big.exe"), 24 << 20)
    service.publish(source, limit_rate="1m").start()
    run = installer()
    partial = os.path.join(data_dir, "qzvr_setup_0.exe.df!")
    assert wait_for(lambda: os.path.exists(partial) and os.path.getsize(partial) > 256 << 10, 60)
    main = main_window(driver)[0]
    # The close request asks first; its first button ends the program at once, mid-transfer.
    driver.post(main["hwnd"], 0x0010)  # WM_CLOSE
    boxes = wait_for(lambda: message_windows(driver), 15)
    assert boxes
    started = time.time()
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)
    assert run.wait(15) == 0
    assert time.time() - started < 4, "leaving took too long"
    assert "3" not in run.workflow_marks()
    kept = os.path.getsize(partial)
    assert kept > 0
    with open(source, "rb") as a, open(partial, "rb") as b:
        assert a.read(kept) == b.read(), "the partial file does not hold the first bytes of the installer"
    assert not os.path.exists(os.path.join(data_dir, "qzvr_setup_0.exe"))

    # The next run with the same signature resumes from the partial file's end.
    service.stop()
    service.publish(source).start()
    again = installer()
    assert again.wait(120) == 0
    assert '" 206 ' in service.access_log(), "the second run did not ask for the rest only"
    with open(source, "rb") as a, open(os.path.join(data_dir, "qzvr_setup_0.exe"), "rb") as b:
        assert a.read() == b.read()
    assert launched(data_dir)


def test_a_data_folder_that_cannot_be_made_ends_as_a_failed_download(installer, driver, data_dir, service,
                                                                     tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 1 << 20)
    service.publish(source).start()
    # A file where the folder should be: no record, no partial file, nothing launched, no crash; the user is
    # told that the download failed.
    with open(data_dir, "wb") as f:
        f.write(b"in the way")
    run = installer()
    boxes = wait_for(lambda: message_windows(driver), 60)
    assert boxes, "no failure message"
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)
    assert run.wait(15) == 0
    assert run.workflow_marks() == ["3"]
    with open(data_dir, "rb") as f:
        assert f.read() == b"in the way"
    os.remove(data_dir)


USER_SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
# Thai and Devanagari: code page 936 has no character of either script.
FOREIGN_NAME = "corvane-\u0e1c\u0e39\u0e49\u0e43\u0e0a\u0e49-\u0909\u092a\u092f\u094b\u0917"


@pytest.fixture
def appdata_at(wine_env):
    """Points the user's application-data folder at a folder of that name under C:\\users for one test."""
    def reg(*args):
        return subprocess.run(["wine", "reg"] + list(args), env=wine_env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, check=True).stdout.decode("utf-8", "replace")

    original = re.search(r"AppData\s+REG_EXPAND_SZ\s+(\S.*?)\s*$", reg("query", USER_SHELL_FOLDERS, "/v", "AppData"),
                         re.M).group(1)
    made = []

    def point(name, create=True):
        path = os.path.join(wine_env["WINEPREFIX"], "drive_c", "users", name)
        made.append(path)
        if create:
            os.makedirs(path)
        reg("add", USER_SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d", "C:\\users\\" + name, "/f")
        return path

    yield point
    reg("add", USER_SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d", original, "/f")
    for path in made:
        shutil.rmtree(path, ignore_errors=True)


def test_an_application_data_folder_named_outside_the_code_page_is_reached_by_its_short_name(
        installer, appdata_at, service, tmp_path):
    with pytest.raises(UnicodeEncodeError):
        FOREIGN_NAME.encode("gbk")
    appdata = appdata_at(FOREIGN_NAME)
    source = make_installer(str(tmp_path / "setup.exe"), 1 << 20)
    service.publish(source).start()
    run = installer()
    assert run.wait(120) == 0
    assert run.workflow_marks() == ["3"]
    data = os.path.join(appdata, "ravlet")
    with open(os.path.join(data, "qzvr_setup_0.exe"), "rb") as f:
        assert hashlib.md5(f.read()).hexdigest() == service.signature
    assert os.path.exists(os.path.join(data, "qzvrsetup.xml"))
    assert launched(data)


def test_an_application_data_folder_without_a_usable_name_shows_the_failure_message(
        installer, driver, appdata_at, service, tmp_path):
    # A folder that does not exist has no short name either.
    appdata = appdata_at(FOREIGN_NAME, create=False)
    source = make_installer(str(tmp_path / "setup.exe"), 1 << 20)
    service.publish(source).start()
    run = installer()
    boxes = wait_for(lambda: message_windows(driver), 30)
    assert boxes, "the failure message did not appear"
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)  # WM_COMMAND IDOK
    assert run.wait(15) == 0
    assert run.workflow_marks() == ["3"]
    assert "GET /download/" not in service.access_log()
    assert not os.path.exists(appdata)
