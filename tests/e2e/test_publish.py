"""The operator tool: the signer name it reports from an installer's signature, and its HTTPS server block."""
import hashlib
import http.client
import os
import ssl
import subprocess

import pytest

from conftest import PUBLISH, SERVICE_HOST, SERVICE_PORT, make_installer
import testpki


def signed(pki, tmp_path, signer, certs=None):
    """A sample installer signed by a test leaf; certs, when given, replaces the leaf's chain file."""
    source = make_installer(str(tmp_path / "unsigned.exe"), 150 * 1024)
    target = str(tmp_path / ("%s.exe" % signer))
    if certs is None:
        testpki.sign(pki, signer, source, target)
    else:
        subprocess.run(["osslsigncode", "sign", "-certs", certs, "-key", os.path.join(pki, signer + ".key"),
                        "-h", "sha256", "-in", source, "-out", target], check=True, stdout=subprocess.DEVNULL)
    return target


def signer_line(service):
    return [line for line in service.output.splitlines() if line.startswith("signer")]


def test_reports_the_signers_common_name_or_that_there_is_none(pki, service, tmp_path):
    service.publish(make_installer(str(tmp_path / "plain.exe"), 150 * 1024))
    assert signer_line(service) == ["signer    none: the installer is not signed"]
    for leaf, name in (("signer", "Corvane Test Signer"), ("other-signer", "Corvane Other Signer"),
                       ("untrusted-signer", "Corvane Test Signer")):
        service.publish(signed(pki, tmp_path, leaf))
        assert signer_line(service) == ["signer    %s" % name], leaf


def test_names_the_signer_not_the_first_certificate_of_the_signature(pki, service, tmp_path):
    # The root before the leaf in the signature's certificate list.
    chain = tmp_path / "root-first.pem"
    with open(os.path.join(pki, "root.pem"), "rb") as root, open(os.path.join(pki, "signer.pem"), "rb") as leaf:
        chain.write_bytes(root.read() + leaf.read())
    service.publish(signed(pki, tmp_path, "signer", certs=str(chain)))
    assert signer_line(service) == ["signer    Corvane Test Signer"]


def test_certificate_and_key_go_together(pki, tmp_path):
    source = make_installer(str(tmp_path / "plain.exe"), 10 * 1024)
    for extra in (["--cert", os.path.join(pki, "localhost.pem")], ["--key", os.path.join(pki, "localhost.key")]):
        p = subprocess.run([PUBLISH, source, "https://localhost/download/setup.exe", "--out", str(tmp_path / "out")]
                           + extra, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        assert p.returncode == 2 and b"--cert and --key go together" in p.stderr
        assert not os.path.exists(tmp_path / "out")


def https_get(pki, path):
    context = ssl.create_default_context(cafile=os.path.join(pki, "root.pem"))
    conn = http.client.HTTPSConnection("localhost", SERVICE_PORT, context=context, timeout=10)
    try:
        conn.request("GET", path)
        response = conn.getresponse()
        return response.status, response.read()
    finally:
        conn.close()


def test_https_block_serves_answer_and_installer_with_the_given_certificate(pki, service, tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 300 * 1024)
    service.publish(source, cert=os.path.join(pki, "localhost.pem"), key=os.path.join(pki, "localhost.key"),
                    host="localhost:%d" % SERVICE_PORT).start()
    with open(service.conf, encoding="utf-8") as f:
        block = f.read()
    assert "listen %s ssl;" % SERVICE_HOST in block
    assert "ssl_certificate %s;" % os.path.join(pki, "localhost.pem") in block

    status, body = https_get(pki, "/ClientSrv/Getqzvrsetup.aspx?vertype=0")
    assert status == 200
    build_path = "/download/%s/qzvr_setup.exe" % service.signature
    assert ('fileurl="https://localhost:%d%s"' % (SERVICE_PORT, build_path)).encode() in body
    status, body = https_get(pki, build_path)
    with open(source, "rb") as f:
        data = f.read()
    assert status == 200 and body == data
    assert hashlib.md5(data).hexdigest() == service.signature

    # The server speaks only TLS, and a client that trusts another root refuses it.
    conn = http.client.HTTPConnection("127.0.0.1", SERVICE_PORT, timeout=10)
    conn.request("GET", "/ClientSrv/Getqzvrsetup.aspx?vertype=0")
    assert conn.getresponse().status == 400
    conn.close()
    context = ssl.create_default_context(cafile=os.path.join(pki, "untrusted-root.pem"))
    with pytest.raises(ssl.SSLCertVerificationError):
        http.client.HTTPSConnection("localhost", SERVICE_PORT, context=context, timeout=10).request("GET", "/")
