"""A program built with a signer name starts only an installer that signer signed; anything else is refused."""
import os

import pytest

import testpki
from conftest import BIN, launched, make_installer
from test_workflow import SETUP, dismiss_failure

SIGNED_EXE = os.path.join(BIN, "CorvaneOnlineSetupSigned.exe")


def signed_installer(pki, tmp_path, signer):
    source = make_installer(str(tmp_path / "unsigned.exe"), 1 << 20)
    if signer is None:
        return source
    target = str(tmp_path / "setup.exe")
    testpki.sign(pki, signer, source, target)
    return target


def test_an_installer_of_the_expected_signer_is_launched(installer, data_dir, service, trusted_pki, tmp_path):
    service.publish(signed_installer(trusted_pki, tmp_path, "signer")).start()
    run = installer(SIGNED_EXE)
    assert run.wait(120) == 0
    assert run.workflow_marks() == ["3"]
    assert launched(data_dir)


@pytest.mark.parametrize("case", ["unsigned", "other-signer", "untrusted-signer", "changed-after-signing"])
def test_any_other_installer_is_refused_and_the_user_told(installer, driver, data_dir, service, trusted_pki,
                                                           tmp_path, case):
    signer = {"unsigned": None, "other-signer": "other-signer", "untrusted-signer": "untrusted-signer",
              "changed-after-signing": "signer"}[case]
    path = signed_installer(trusted_pki, tmp_path, signer)
    if case == "changed-after-signing":
        # One byte of the padding changed; the answer's MD5 is taken from the changed file, so only the
        # code signature can tell.
        with open(path, "r+b") as f:
            f.seek(512 << 10)
            byte = f.read(1)
            f.seek(512 << 10)
            f.write(bytes([byte[0] ^ 0x01]))
    service.publish(path).start()
    run = installer(SIGNED_EXE)
    dismiss_failure(run, driver, "Quillfen: the installer's code signature is not the expected one\\n")
    # The file itself arrived whole: it is the installer the answer named, but not one to start.
    assert os.path.exists(os.path.join(data_dir, SETUP))
    assert not launched(data_dir, 3)
