"""`make release` with the test certificates: two signed programs and their sums, each signature checked by
osslsigncode and by the platform in the tests' prefix, the program of this run's architecture downloading and
launching a signed installer; and what the command refuses."""
import hashlib
import os
import re
import shutil
import subprocess

import pytest
from cryptography.hazmat.primitives import serialization

import testpki
from conftest import ARCH, BIN, EXE, ROOT, SERVICE_HOST, launched, make_installer
from corvane_arch import wine_arch

RELEASE_ROOT = os.path.join(ROOT, "build", "e2e-release")
# Each architecture's program as the release names it; both are built under the one name.
PROGRAMS = {"win32": "CorvaneOnlineSetup.exe", "win64": "CorvaneOnlineSetup-x64.exe"}
BUILT = "CorvaneOnlineSetup.exe"
SUMS = "SHA256SUMS"
SETUP_HOST = "http://" + SERVICE_HOST
SIGNER = testpki.SIGNER_CN
# The unsigned 32-bit program's limit, as the program_size test has it.
SIZE_LIMIT = 262144


def make_release(**values):
    """`make release NAME=VALUE ...` in a make of its own (none of an enclosing make's flags)."""
    env = {k: v for k, v in os.environ.items() if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
    command = ["make", "--no-print-directory", "-C", ROOT, "release", "JOBS=1"]
    command += ["%s=%s" % item for item in values.items()]
    return subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=3600)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def verified_by_osslsigncode(path, ca_file):
    p = subprocess.run(["osslsigncode", "verify", "-CAfile", ca_file, "-in", path], stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT)
    return p.returncode == 0 and b"Signature verification: ok" in p.stdout


def trusted(driver, path):
    """Whether the program's own Authenticode check, in the tests' prefix, accepts the file as SIGNER's."""
    rc, out = driver.run("trust", "Z:" + path.replace("/", "\\"), SIGNER)
    assert rc == 0 and out.split()[0] in ("trusted=0", "trusted=1"), out
    return out.split()[0] == "trusted=1"


class Release:
    def __init__(self, out, build, stdout, stderr):
        self.out = out
        self.build = build
        self.stdout = stdout
        self.stderr = stderr

    def program(self, arch=ARCH):
        return os.path.join(self.out, PROGRAMS[arch])

    def report(self, arch):
        """The lines the command printed about one program, as a name: value mapping."""
        block = self.stdout.split(self.program(arch) + " ", 1)[1].split("\n\n")[0]
        lines = block.splitlines()[1:6]
        return dict(re.match(r"\s+([^:]+):\s+(.*)", line).groups() for line in lines)


def encrypted_key(pki):
    """The signer's key encrypted with a password, as a publisher keeps it, and the file holding the password."""
    _, key = testpki.load(pki, "signer")
    password = b"release test password"
    path, password_path = os.path.join(RELEASE_ROOT, "signer-encrypted.key"), os.path.join(RELEASE_ROOT, "password")
    os.makedirs(RELEASE_ROOT, exist_ok=True)
    with open(path, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.BestAvailableEncryption(password)))
    with open(password_path, "wb") as f:
        f.write(password)
    return path, password_path


@pytest.fixture(scope="session")
def release(pki):
    out, build = os.path.join(RELEASE_ROOT, "out"), os.path.join(RELEASE_ROOT, "build")
    key, password = encrypted_key(pki)
    # The tests' service speaks plain HTTP: the publisher says so in as many words.
    p = make_release(SETUP_HOST=SETUP_HOST, SIGNER=SIGNER, CERT=os.path.join(pki, "signer.pem"), KEY=key,
                     PASS_FILE=password, CA_FILE=os.path.join(pki, "root.pem"), RELEASE_DIR=out,
                     RELEASE_BUILD=build, ALLOW_INSECURE="1")
    stdout, stderr = p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")
    assert p.returncode == 0, stdout + stderr
    return Release(out, build, stdout, stderr)


def test_a_release_holds_two_signed_programs_their_sums_and_what_they_ask(release, pki, tmp_path):
    assert sorted(os.listdir(release.out)) == sorted(list(PROGRAMS.values()) + [SUMS])
    with open(os.path.join(release.out, SUMS), encoding="ascii") as f:
        sums = dict(reversed(line.split("  ")) for line in f.read().splitlines())
    assert sums == {name: sha256(os.path.join(release.out, name)) for name in PROGRAMS.values()}
    # The plain-HTTP service is warned about, the signer name is given.
    assert len([line for line in release.stderr.splitlines() if line.startswith("warning:")]) == 1
    assert "plain HTTP" in release.stderr
    for arch in PROGRAMS:
        program = release.program(arch)
        assert wine_arch(program) == arch
        assert verified_by_osslsigncode(program, os.path.join(pki, "root.pem")), program
        # The check follows the chain: another root does not vouch for the signer.
        assert not verified_by_osslsigncode(program, os.path.join(pki, "untrusted-root.pem")), program
        report = release.report(arch)
        assert report["service"] == SETUP_HOST + "/ClientSrv/Getqzvrsetup.aspx?vertype=0"
        assert report["installer signer"] == SIGNER
        assert report["signed by"] == "/O=Corvane Tests/CN=%s" % SIGNER
        assert report["size"].startswith("%d bytes" % os.path.getsize(program))
        assert report["SHA-256"] == sha256(program)
        # Signing added the signature and nothing else: taking it away gives back the program that was built.
        stripped = str(tmp_path / (arch + ".exe"))
        subprocess.run(["osslsigncode", "remove-signature", "-in", program, "-out", stripped], check=True,
                       stdout=subprocess.DEVNULL)
        with open(stripped, "rb") as f, open(os.path.join(release.build, arch, "bin", BUILT), "rb") as g:
            assert strip_checksum(f.read()) == strip_checksum(g.read()), arch
    assert os.path.getsize(str(tmp_path / "win32.exe")) <= SIZE_LIMIT


def strip_checksum(image):
    """The image without its PE checksum, which signing sets and removing the signature leaves."""
    at = int.from_bytes(image[0x3C:0x40], "little") + 24 + 64
    return image[:at] + image[at + 4:]


def test_the_release_program_keeps_its_manifest_and_icons(release, wine_env):
    p = subprocess.run(["wine", os.path.join(BIN, "win32_app.exe"), "--gtest_brief=1",
                        "--gtest_filter=Manifest.*:ProgramIcons.*"],
                       env=dict(wine_env, CORVANE_SETUP_EXE=release.program()), stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, timeout=120)
    assert p.returncode == 0, p.stdout.decode("utf-8", "replace")


def test_the_platform_accepts_the_release_and_refuses_a_changed_copy(release, driver, trusted_pki, tmp_path):
    assert trusted(driver, release.program())
    changed = str(tmp_path / "changed.exe")
    shutil.copyfile(release.program(), changed)
    with open(changed, "r+b") as f:
        middle = os.path.getsize(changed) // 2
        f.seek(middle)
        byte = f.read(1)[0]
        f.seek(middle)
        f.write(bytes([byte ^ 0x01]))
    assert not trusted(driver, changed)


def test_the_release_program_downloads_and_launches_an_installer_of_its_signer(release, installer, data_dir,
                                                                              service, trusted_pki, tmp_path):
    source = make_installer(str(tmp_path / "unsigned.exe"), 3 << 20)
    signed = str(tmp_path / "setup.exe")
    testpki.sign(trusted_pki, "signer", source, signed)
    service.publish(signed).start()
    run = installer(release.program())
    assert run.wait(120) == 0
    assert run.workflow_marks() == ["3"]
    assert launched(data_dir)


def test_without_a_key_nothing_is_built_and_no_unsigned_program_is_left(tmp_path):
    out, build = str(tmp_path / "release"), str(tmp_path / "build")
    # What an earlier unsigned release left.
    os.makedirs(out)
    shutil.copyfile(EXE, os.path.join(out, PROGRAMS["win32"]))
    p = make_release(SETUP_HOST=SETUP_HOST, SIGNER="", RELEASE_DIR=out, RELEASE_BUILD=build, ALLOW_INSECURE="1")
    stderr = p.stderr.decode("utf-8", "replace")
    assert p.returncode != 0
    assert "an unsigned stub is blocked by SmartScreen" in stderr
    assert "UNSIGNED=1" in stderr
    warnings = [line for line in stderr.splitlines() if line.startswith("warning:")]
    assert len(warnings) == 2 and "plain HTTP" in warnings[0] and "SIGNER is empty" in warnings[1], stderr
    assert not os.path.exists(out) or not os.listdir(out)
    assert not os.path.exists(build)


def test_a_plain_http_service_or_no_installer_signer_is_refused_unless_allowed(pki, tmp_path):
    out, build = str(tmp_path / "release"), str(tmp_path / "build")
    os.makedirs(out)
    shutil.copyfile(EXE, os.path.join(out, PROGRAMS["win32"]))
    signing = dict(CERT=os.path.join(pki, "signer.pem"), KEY=os.path.join(pki, "signer.key"), RELEASE_DIR=out,
                   RELEASE_BUILD=build)
    for host, signer, reasons in ((SETUP_HOST, SIGNER, ["SETUP_HOST"]), ("https://setup.example.com", "", ["SIGNER"]),
                                  ("setup.example.com", "", ["SETUP_HOST", "SIGNER"])):
        p = make_release(SETUP_HOST=host, SIGNER=signer, **signing)
        stderr = p.stderr.decode("utf-8", "replace")
        assert p.returncode != 0 and "release: refused" in stderr and "ALLOW_INSECURE=1" in stderr, stderr
        # One indented line per reason, and no warning: nothing went on to be built.
        assert [line.split()[0] for line in stderr.splitlines() if line.startswith("  ")] == reasons, stderr
        assert "warning:" not in stderr
        assert not os.path.exists(out) and not os.path.exists(build)


def test_a_key_where_git_would_commit_it_is_refused(pki, tmp_path):
    out, build = str(tmp_path / "release"), str(tmp_path / "build")
    p = make_release(SETUP_HOST="https://setup.example.com", SIGNER=SIGNER, CERT=os.path.join(pki, "signer.pem"),
                     KEY=os.path.join(ROOT, "README.md"), RELEASE_DIR=out, RELEASE_BUILD=build)
    assert p.returncode != 0
    assert "where git would commit it" in p.stderr.decode("utf-8", "replace")
    assert not os.path.exists(out) and not os.path.exists(build)


def test_a_release_that_fails_to_build_leaves_no_folder(tmp_path):
    out, build = str(tmp_path / "release"), str(tmp_path / "build")
    p = make_release(SETUP_HOST="ftp://setup.example.com", SIGNER=SIGNER, UNSIGNED="1", RELEASE_DIR=out,
                     RELEASE_BUILD=build)
    stderr = p.stderr.decode("utf-8", "replace")
    assert p.returncode != 0
    assert "CORVANE_SETUP_HOST must be" in stderr
    # Not a plain-HTTP service: no warning says it is.
    assert "warning:" not in stderr
    assert not os.path.exists(out) and not os.path.exists(out + ".partial")
