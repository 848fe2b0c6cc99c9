"""The whole run against a real local service: download, reuse, resume, version change, verified launch."""
import hashlib
import os

import pytest

from conftest import launched, make_installer, screenshot, wait_for
from test_startup import message_windows

SETUP = "qzvr_setup_0.exe"


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def record_bytes(signature):
    return ('<?xml version="1.0" encoding="gb2312" ?><downloadqzvr vertype="0" filesign="%s" />'
            % signature).encode("ascii")


def downloads(service):
    """Status codes of the installer requests in the access log, in order."""
    return [line.split('"')[2].split()[0] for line in service.access_log().splitlines() if "GET /download/" in line]


# One transfer asks for the installer three times: the redirect probe, the transfer itself (206 when it
# resumes) and the separate size request; the probe and the size request ask for the first byte only.
FRESH = ["206", "200", "206"]
RESUMED = ["206", "206", "206"]


def copy_prefix(source, target, count):
    with open(source, "rb") as f:
        data = f.read(count)
    with open(target, "wb") as f:
        f.write(data)


@pytest.fixture
def published(service, tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 3 << 20)
    service.publish(source).start()
    return source


def test_fresh_download_is_recorded_verified_and_launched(installer, data_dir, service, published):
    run = installer()
    assert run.wait(120) == 0
    assert run.workflow_marks() == ["3"]
    setup = os.path.join(data_dir, SETUP)
    assert md5(setup) == service.signature
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "rb") as f:
        assert f.read() == record_bytes(service.signature)
    assert not os.path.exists(setup + ".df!")
    assert launched(data_dir)
    assert downloads(service) == FRESH


def test_a_complete_earlier_download_is_launched_without_a_transfer(installer, data_dir, service, published):
    os.makedirs(data_dir)
    copy_prefix(published, os.path.join(data_dir, SETUP), 1 << 30)
    # The answer's signature in upper case matches the computed lower-case one.
    service.write_answer(service.answer_url, service.signature.upper())
    run = installer()
    assert run.wait(60) == 0
    assert run.workflow_marks() == ["1", "2", "3"]
    assert downloads(service) == []
    assert not os.path.exists(os.path.join(data_dir, "qzvrsetup.xml")), "the record must stay untouched"
    assert launched(data_dir)


def test_a_partial_download_of_the_same_version_is_resumed(installer, data_dir, service, published):
    os.makedirs(data_dir)
    copy_prefix(published, os.path.join(data_dir, SETUP + ".df!"), 1000000)
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "wb") as f:
        f.write(record_bytes(service.signature.upper()))
    run = installer()
    assert run.wait(120) == 0
    assert downloads(service) == RESUMED
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    assert launched(data_dir)


@pytest.mark.parametrize("read_only", [False, True], ids=["writable", "read-only"])
def test_files_of_another_version_are_thrown_away(installer, data_dir, service, published, read_only):
    os.makedirs(data_dir)
    setup = os.path.join(data_dir, SETUP)
    for path, content in ((setup + ".df!", b"old version bytes" * 1000), (setup, b"old installer")):
        with open(path, "wb") as f:
            f.write(content)
        if read_only:
            # Wine shows a file without write permission as read-only and refuses to delete it, as Windows does.
            os.chmod(path, 0o444)
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "wb") as f:
        f.write(record_bytes("0" * 32))
    run = installer()
    assert run.wait(120) == 0
    assert run.workflow_marks() == ["1", "3"]
    assert downloads(service) == FRESH
    assert md5(setup) == service.signature
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "rb") as f:
        assert f.read() == record_bytes(service.signature)
    assert launched(data_dir)


def dismiss_failure(run, driver, reason="Quillfen: no verified installer after the download\\n"):
    """Waits for the failure message, checks the reason the run logged before it, dismisses it, and returns once
    the run has ended."""
    boxes = wait_for(lambda: message_windows(driver), 60)
    assert boxes, "no failure message"
    assert reason in run.debug_lines()
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)
    assert run.wait(15) == 0
    assert run.workflow_marks() == ["3"]


def test_an_installer_another_program_holds_open_is_verified_and_launched(installer, driver, data_dir, service,
                                                                         published):
    os.makedirs(data_dir)
    setup = os.path.join(data_dir, SETUP)
    copy_prefix(published, setup, 1 << 30)
    with driver.hold(setup):
        run = installer()
        assert run.wait(60) == 0
        assert run.workflow_marks() == ["1", "2", "3"]
        assert downloads(service) == []
        assert launched(data_dir)


def test_a_download_that_does_not_match_the_answer_is_not_launched(installer, driver, data_dir, service, published):
    service.write_answer(service.answer_url, "f" * 32)
    run = installer()
    dismiss_failure(run, driver)
    assert os.path.exists(os.path.join(data_dir, SETUP))
    assert not launched(data_dir, 3)
    # It was downloaded from byte 0: asking again would bring the same bytes.
    assert downloads(service) == FRESH


# The server's file was replaced between two runs under the same name and signature record: the first million
# bytes on disk belong to another build.
def test_a_resume_onto_another_build_is_downloaded_once_more_from_the_start(installer, data_dir, service,
                                                                           published, tmp_path):
    other = make_installer(str(tmp_path / "other.exe"), (3 << 20) + 1)
    os.makedirs(data_dir)
    copy_prefix(other, os.path.join(data_dir, SETUP + ".df!"), 1000000)
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "wb") as f:
        f.write(record_bytes(service.signature))
    run = installer()
    assert run.wait(120) == 0
    assert downloads(service) == RESUMED + FRESH
    assert ("Quillfen: the download resumed an earlier partial file and does not match the answer's signature; "
            "downloading it once more from byte 0\\n") in run.debug_lines()
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    assert not os.path.exists(os.path.join(data_dir, SETUP + ".df!"))
    assert launched(data_dir)


@pytest.mark.parametrize("record", [bytes(range(256)) * 16, b"<" * (8 << 20), b"", record_bytes("0" * 32)[:50]],
                         ids=["binary", "8MiB-of-lt", "empty", "cut-short"])
def test_a_record_that_is_no_record_is_replaced_and_the_run_downloads_and_launches(installer, data_dir, service,
                                                                                   published, record):
    os.makedirs(data_dir)
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "wb") as f:
        f.write(record)
    run = installer()
    assert run.wait(120) == 0
    assert downloads(service) == FRESH
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "rb") as f:
        assert f.read() == record_bytes(service.signature)
    assert launched(data_dir)


def test_a_missing_installer_is_asked_for_once_and_the_user_told(installer, driver, data_dir, service, published,
                                                                 wine_env):
    service.write_answer(service.answer_url.replace(".exe", "-gone.exe"), service.signature)
    run = installer()
    assert wait_for(lambda: message_windows(driver), 60)
    screenshot(wine_env, "download-failure-message")
    dismiss_failure(run, driver)
    # A refusal no retry can mend: the probe and one transfer request, no second attempt.
    assert downloads(service) == ["404", "404"]
    assert not os.path.exists(os.path.join(data_dir, SETUP))
    assert not launched(data_dir, 3)


def test_an_empty_answer_signature_downloads_and_launches(installer, data_dir, service, published):
    service.write_answer(service.answer_url, "")
    run = installer()
    assert run.wait(120) == 0
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "rb") as f:
        assert f.read() == record_bytes("")
    assert launched(data_dir)


@pytest.mark.parametrize("answer", ["wrong-root", "empty-url", "not-xml"])
def test_unusable_answers_show_the_failure_message(installer, driver, data_dir, service, published, answer):
    if answer == "wrong-root":
        service.write_answer(service.answer_url, service.signature, root="setupinfo")
    elif answer == "empty-url":
        service.write_answer("", service.signature)
    else:
        with open(os.path.join(service.root, "pub", "Getqzvrsetup.xml"), "w") as f:
            f.write("<qzvrsetup fileurl='x'")
    run = installer()
    boxes = wait_for(lambda: message_windows(driver), 30)
    assert boxes
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)
    assert run.wait(15) == 0
    assert run.workflow_marks() == ["3"]
    assert os.listdir(data_dir) == []
    assert downloads(service) == []
