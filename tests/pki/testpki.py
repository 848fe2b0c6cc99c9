#!/usr/bin/python3
"""Test certificates and Authenticode signatures, made at test time into a folder of the build.

  testpki.py make DIR                       the test roots and leaves below (kept while they stay valid)
  testpki.py sign DIR SIGNER IN OUT         IN signed with osslsigncode by SIGNER's code-signing leaf

DIR then holds, each as NAME.pem (certificate) and NAME.key (private key, unencrypted PEM):
  root                 the test root CA; root.der is the form a Windows store takes
  localhost            TLS server leaf for the DNS name "localhost", from root
  localhost-expired    the same, expired since yesterday
  other-name           TLS server leaf for "other-name.corvane.invalid" only, from root
  signer               code-signing leaf, subject CN "Corvane Test Signer", from root
  other-signer         code-signing leaf, subject CN "Corvane Other Signer", from root
  untrusted-root       a second root CA that no store trusts
  untrusted-localhost  TLS server leaf for "localhost", from untrusted-root
  untrusted-signer     code-signing leaf, subject CN "Corvane Test Signer", from untrusted-root
A leaf's NAME.pem carries its issuer's certificate after its own, as a TLS server and a signature send them.
"""
import datetime
import os
import subprocess
import sys
import warnings

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.utils import CryptographyDeprecationWarning
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID


SIGNER_CN = "Corvane Test Signer"
OTHER_SIGNER_CN = "Corvane Other Signer"
OTHER_DNS_NAME = "other-name.corvane.invalid"
DAY = datetime.timedelta(days=1)

# name: (issuer or None for a root, subject CN, kind, DNS name, valid)
CERTS = {
    "root": (None, "Corvane Test Root", "ca", None, True),
    "localhost": ("root", "localhost", "server", "localhost", True),
    "localhost-expired": ("root", "localhost", "server", "localhost", False),
    "other-name": ("root", OTHER_DNS_NAME, "server", OTHER_DNS_NAME, True),
    "signer": ("root", SIGNER_CN, "code", None, True),
    "other-signer": ("root", OTHER_SIGNER_CN, "code", None, True),
    "untrusted-root": (None, "Corvane Untrusted Root", "ca", None, True),
    "untrusted-localhost": ("untrusted-root", "localhost", "server", "localhost", True),
    "untrusted-signer": ("untrusted-root", SIGNER_CN, "code", None, True),
}


def new_key():
    return rsa.generate_private_key(public_exponent=65537, key_size=2048)


def build(subject_cn, kind, dns_name, valid, key, issuer_cert, issuer_key):
    now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
    not_before, not_after = (now - DAY, now + 3650 * DAY) if valid else (now - 30 * DAY, now - DAY)
    subject = x509.Name([x509.NameAttribute(NameOID.ORGANIZATION_NAME, "Corvane Tests"),
                         x509.NameAttribute(NameOID.COMMON_NAME, subject_cn)])
    b = (x509.CertificateBuilder()
         .subject_name(subject)
         .issuer_name(issuer_cert.subject if issuer_cert else subject)
         .public_key(key.public_key())
         .serial_number(x509.random_serial_number())
         .not_valid_before(not_before)
         .not_valid_after(not_after)
         .add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()), critical=False))
    signing_key = issuer_key or key
    b = b.add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(signing_key.public_key()), critical=False)
    is_ca = kind == "ca"
    b = b.add_extension(x509.BasicConstraints(ca=is_ca, path_length=None), critical=True)
    b = b.add_extension(x509.KeyUsage(digital_signature=not is_ca, content_commitment=False,
                                      key_encipherment=kind == "server", data_encipherment=False,
                                      key_agreement=False, key_cert_sign=is_ca, crl_sign=is_ca,
                                      encipher_only=False, decipher_only=False), critical=True)
    if kind == "server":
        b = b.add_extension(x509.ExtendedKeyUsage([ExtendedKeyUsageOID.SERVER_AUTH]), critical=False)
        b = b.add_extension(x509.SubjectAlternativeName([x509.DNSName(dns_name)]), critical=False)
    elif kind == "code":
        b = b.add_extension(x509.ExtendedKeyUsage([ExtendedKeyUsageOID.CODE_SIGNING]), critical=False)
    # Wine's Authenticode policy reads the signer certificate's signature hash into 20 bytes; for a longer
    # hash it skips the chain check and accepts the file whatever its root. Signer certificates are signed
    # with SHA-1, so that under Wine the chain is checked as on Windows.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", CryptographyDeprecationWarning)
        return b.sign(signing_key, hashes.SHA1() if kind == "code" else hashes.SHA256())


def write_atomically(path, data):
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def load(folder, name):
    with open(os.path.join(folder, name + ".pem"), "rb") as f:
        cert = x509.load_pem_x509_certificate(f.read())
    with open(os.path.join(folder, name + ".key"), "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
    return cert, key


def not_valid_after(cert):
    """The end of validity as an aware time (the naive property is the only one older releases have)."""
    end = getattr(cert, "not_valid_after_utc", None)
    return end or cert.not_valid_after.replace(tzinfo=datetime.timezone.utc)


def current(folder):
    """Whether the folder holds every certificate, each one that should be valid still valid tomorrow."""
    tomorrow = datetime.datetime.now(datetime.timezone.utc) + DAY
    for name, (_, _, _, _, valid) in CERTS.items():
        try:
            cert, _ = load(folder, name)
        except (OSError, ValueError):
            return False
        if valid and not_valid_after(cert) < tomorrow:
            return False
    return os.path.exists(os.path.join(folder, "root.der"))


def make(folder):
    """Writes the set unless a valid one is there: a root that is already trusted somewhere stays the same."""
    os.makedirs(folder, exist_ok=True)
    if current(folder):
        return
    made = {}
    for name, (issuer, cn, kind, dns_name, valid) in CERTS.items():
        key = new_key()
        issuer_cert, issuer_key = made[issuer] if issuer else (None, None)
        cert = build(cn, kind, dns_name, valid, key, issuer_cert, issuer_key)
        made[name] = (cert, key)
        pem = cert.public_bytes(serialization.Encoding.PEM)
        if issuer_cert:
            pem += issuer_cert.public_bytes(serialization.Encoding.PEM)
        write_atomically(os.path.join(folder, name + ".key"),
                         key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                           serialization.NoEncryption()))
        write_atomically(os.path.join(folder, name + ".pem"), pem)
    write_atomically(os.path.join(folder, "root.der"), made["root"][0].public_bytes(serialization.Encoding.DER))


def sign(folder, signer, source, target):
    """Authenticode-signs source into target (SHA-256, no timestamp) with the named code-signing leaf."""
    if os.path.exists(target):
        os.remove(target)
    subprocess.run(["osslsigncode", "sign", "-certs", os.path.join(folder, signer + ".pem"),
                    "-key", os.path.join(folder, signer + ".key"), "-h", "sha256",
                    "-in", source, "-out", target], check=True, stdout=subprocess.DEVNULL)


def main(argv):
    if len(argv) == 2 and argv[0] == "make":
        make(argv[1])
    elif len(argv) == 5 and argv[0] == "sign" and argv[2] in CERTS:
        sign(argv[1], argv[2], argv[3], argv[4])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
