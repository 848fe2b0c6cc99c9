"""The whole run over TLS: the program built for an https service, nginx with the test certificates."""
import os

from conftest import SERVICE_PORT, TLS_EXE, launched, make_installer, wait_for
from test_startup import message_windows
from test_workflow import FRESH, RESUMED, SETUP, copy_prefix, dismiss_failure, downloads, md5, record_bytes

TLS_HOST = "localhost:%d" % SERVICE_PORT


def publish_tls(service, pki, tmp_path, leaf="localhost"):
    source = make_installer(str(tmp_path / "setup.exe"), 3 << 20)
    service.publish(source, cert=os.path.join(pki, leaf + ".pem"), key=os.path.join(pki, leaf + ".key"),
                    host=TLS_HOST).start()
    return source


def answer_requests(service):
    return [line for line in service.access_log().splitlines() if "GET /ClientSrv/Getqzvrsetup.aspx?vertype=0" in line]


def test_the_https_answer_and_the_https_file_are_fetched_and_launched(installer, data_dir, service, trusted_pki,
                                                                      tmp_path):
    publish_tls(service, trusted_pki, tmp_path)
    assert service.answer_url.startswith("https://%s/" % TLS_HOST)
    run = installer(TLS_EXE)
    assert run.wait(120) == 0
    assert len(answer_requests(service)) == 1
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    assert downloads(service) == FRESH
    assert launched(data_dir)


def test_a_partial_https_download_is_resumed_with_a_range_request(installer, data_dir, service, trusted_pki,
                                                                  tmp_path):
    source = publish_tls(service, trusted_pki, tmp_path)
    os.makedirs(data_dir)
    copy_prefix(source, os.path.join(data_dir, SETUP + ".df!"), 1000000)
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "wb") as f:
        f.write(record_bytes(service.signature))
    run = installer(TLS_EXE)
    assert run.wait(120) == 0
    assert downloads(service) == RESUMED
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    assert launched(data_dir)


def test_a_service_whose_certificate_no_trusted_root_issued_is_not_asked(installer, driver, data_dir, service,
                                                                         trusted_pki, tmp_path):
    publish_tls(service, trusted_pki, tmp_path, leaf="untrusted-localhost")
    run = installer(TLS_EXE)
    dismiss_failure(run, driver, "Quillfen: no setup information\\n")
    assert answer_requests(service) == []
    assert os.listdir(data_dir) == []
    assert not launched(data_dir, 3)


def test_an_https_file_whose_certificate_is_for_another_name_is_not_downloaded(installer, driver, data_dir,
                                                                               service, trusted_pki, tmp_path):
    publish_tls(service, trusted_pki, tmp_path)
    # The certificate names "localhost"; the address is no name it carries.
    service.write_answer(service.answer_url.replace("localhost", "127.0.0.1"), service.signature)
    run = installer(TLS_EXE)
    dismiss_failure(run, driver, "Quillfen: no verified installer after the download\\n")
    assert len(answer_requests(service)) == 1
    # A network failure: tried three times, and no request ever got through the handshake.
    attempts = [line for line in run.debug_lines() if line.startswith("Quillfen: download attempt")]
    assert len(attempts) == 2
    assert downloads(service) == []
    assert not os.path.exists(os.path.join(data_dir, SETUP))
    assert not launched(data_dir, 3)
