"""The whole run against a real local service: download, reuse, resume, version change, verified launch."""
import hashlib
import os

import pytest

from conftest import SERVICE_HOST, SERVICE_PORT, launched, make_installer, screenshot, wait_for
from corvane_env import SAMPLE
from localservers import LocalWeb
from test_startup import message_windows

SETUP = "qzvr_setup_0.exe"


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def record_bytes(signature):
    return ('<?xml version="1.0" encoding="gb2312" ?><downloadqzvr vertype="0" filesign="%s" />'
            % signature).encode("ascii")


def downloads(service):
    """Status codes of the installer requests in the access log, three to a transfer: the redirect probe's, then
    the transfer's and the size request's. The size request is sent while the transfer is open, so nginx logs
    either first (the size request, when the transfer's body outlasts it on a slow machine): each transfer's two
    are given in one order, the transfer's first when the two differ in status."""
    codes = [line.split('"')[2].split()[0] for line in service.access_log().splitlines() if "GET /download/" in line]
    for i in range(0, len(codes) - 2, 3):
        codes[i + 1:i + 3] = sorted(codes[i + 1:i + 3])
    return codes


def queries(service):
    return len([line for line in service.access_log().splitlines() if "GET /ClientSrv/" in line])


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


def dismiss_failure(run, driver, reason="Quillfen: no verified installer after the download\\n", marks=("3",)):
    """Waits for the failure message, checks the reason the run logged before it, dismisses it, and returns once
    the run has ended."""
    boxes = wait_for(lambda: message_windows(driver), 60)
    assert boxes, "no failure message"
    assert any(line.startswith(reason) for line in run.debug_lines()), run.debug_lines()
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)
    assert run.wait(15) == 0
    assert run.workflow_marks() == list(marks)


def test_an_installer_the_shell_will_not_start_is_told_and_kept_for_the_next_run(installer, driver, data_dir,
                                                                                 service, tmp_path):
    # The answer's bytes, but no program: Windows refuses to start it, as it does one a policy blocks.
    source = tmp_path / "setup.exe"
    source.write_bytes(b"not a program\r\n" * 8192)
    service.publish(str(source)).start()
    for marks in (["3"], ["1", "2", "3"]):
        run = installer()
        dismiss_failure(run, driver, "Quillfen: the installer was not started (the shell refused it", marks)
        assert md5(os.path.join(data_dir, SETUP)) == service.signature
        with open(os.path.join(data_dir, "qzvrsetup.xml"), "rb") as f:
            assert f.read() == record_bytes(service.signature)
        # The second run reuses the kept file: no transfer of its own.
        assert downloads(service) == FRESH


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
    # It was downloaded from byte 0, and the service asked once more names the same build: downloading it again
    # would bring the same bytes.
    assert downloads(service) == FRESH and queries(service) == 2


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


# A service of the operator's own that replaces the file in place and then switches its answer; and one whose
# answer names another build on every query.
MOVING_SERVICE = """    server {
        listen %(host)s;
        location = /ClientSrv/Getqzvrsetup.aspx {
            default_type text/xml;
            %(answer)s
        }
        location /download/ {
            root %(www)s;
            limit_rate 1m;
        }
    }
"""


@pytest.fixture
def moving_service(tmp_path):
    webs = []

    def start(answer):
        www = tmp_path / "www"
        (www / "download").mkdir(parents=True, exist_ok=True)
        web = LocalWeb(str(tmp_path / "nginx"), text=MOVING_SERVICE % {"host": SERVICE_HOST, "www": www,
                                                                        "answer": answer})
        webs.append(web.start(SERVICE_PORT))
        return web, www

    yield start
    for web in webs:
        web.stop()


def answer_bytes(url, signature):
    return ('<?xml version="1.0" encoding="gb2312" ?><qzvrsetup fileurl="%s" filesign="%s" />'
            % (url, signature)).encode("ascii")


def test_a_build_published_in_place_during_the_download_is_followed_once(installer, data_dir, moving_service,
                                                                          tmp_path):
    web, www = moving_service("alias %s;" % (tmp_path / "www" / "answer.xml"))
    first = make_installer(str(www / "download" / "setup.exe"), 3 << 20)
    with open(first, "rb") as f:
        build1 = f.read()
    # The same program and size, every byte of the padding another: the transfer under way goes on with the
    # second build's bytes.
    program = os.path.getsize(SAMPLE)
    build2 = build1[:program] + build1[program:].translate(bytes(range(255, -1, -1)))
    url = "http://%s/download/setup.exe" % SERVICE_HOST
    (www / "answer.xml").write_bytes(answer_bytes(url, hashlib.md5(build1).hexdigest()))
    run = installer()
    partial = os.path.join(data_dir, SETUP + ".df!")
    assert wait_for(lambda: os.path.exists(partial) and os.path.getsize(partial) >= 1 << 20, 60)
    with open(first, "r+b") as f:
        f.write(build2)
    (www / "next.xml").write_bytes(answer_bytes(url, hashlib.md5(build2).hexdigest()))
    os.replace(www / "next.xml", www / "answer.xml")
    assert run.wait(120) == 0
    assert "Quillfen: the service names another build now; following its answer\\n" in run.debug_lines()
    assert md5(os.path.join(data_dir, SETUP)) == hashlib.md5(build2).hexdigest()
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "rb") as f:
        assert f.read() == record_bytes(hashlib.md5(build2).hexdigest())
    assert launched(data_dir)


def test_an_answer_that_changes_on_every_query_is_followed_once_then_the_user_told(installer, driver, data_dir,
                                                                                    moving_service):
    # nginx's request id: 32 hexadecimal digits, another on every request.
    url = "http://%s/download/setup.exe" % SERVICE_HOST
    web, www = moving_service("return 200 '%s';" % answer_bytes(url, "$request_id").decode())
    make_installer(str(www / "download" / "setup.exe"), 256 << 10)
    run = installer()
    dismiss_failure(run, driver)
    log = web.access_log().splitlines()
    assert len([line for line in log if "GET /ClientSrv/" in line]) == 2
    assert len([line for line in log if "GET /download/" in line]) == 2 * len(FRESH)
    assert not launched(data_dir, 3)
