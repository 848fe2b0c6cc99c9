#!/usr/bin/python3
"""Builds the programs a publisher ships, signs them with the publisher's certificate, checks them and writes
them with their SHA-256 sums into one folder (what `make release` runs).

  release.py --setup-host HOST [--signer NAME] --cert CHAIN.pem --key KEY.pem [--pass-file FILE]
             [--timestamp-url URL] [--ca-file ROOTS.pem] [--unsigned] [--allow-insecure] [--out DIR]
             [--build DIR] [--jobs N]

Each program (the 32-bit one and the x86-64 one) is built in a folder of its own under --build for that
service and installer signer, Authenticode-signed with osslsigncode (SHA-256; an RFC 3161 timestamp when a
URL is given) and verified against --ca-file (the system's roots by default). The folder --out is emptied
first and filled only once every program is signed and verified. Without a certificate and key nothing is
built, unless --unsigned is given; nor for a service asked over plain HTTP or without an installer signer, unless
--allow-insecure is given.
"""
import argparse
import collections
import hashlib
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
PROGRAM = "CorvaneOnlineSetup.exe"
SUMS = "SHA256SUMS"
SERVICE_PATH = b"/ClientSrv/Getqzvrsetup.aspx"
QUERY = "?vertype=0"


# The CMake preset of each program (its toolchain file with it: cmake/mingw-i686.cmake and
# cmake/mingw-x86_64.cmake), the name it is released under and what it runs on.
Target = collections.namedtuple("Target", "preset released_as kind")
TARGETS = [Target("win32", PROGRAM, "32-bit x86"), Target("win64", "CorvaneOnlineSetup-x64.exe", "x86-64")]

UNSIGNED_REFUSAL = ("no CERT and KEY given: an unsigned stub is blocked by SmartScreen (\"Windows "
                    "protected your PC\", the run button hidden) and treated harshly by antivirus heuristics.\n"
                    "give the publisher's code-signing certificate chain and key (CERT=chain.pem "
                    "KEY=key.pem), or UNSIGNED=1 to build unsigned programs anyway.")


class ReleaseError(Exception):
    pass


def run(command, what):
    """Runs a command, its output kept; on failure, stops the release with that output."""
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        raise ReleaseError("%s failed (exit status %d):\n%s" % (what, done.returncode,
                                                                done.stdout.decode("utf-8", "replace")))
    return done.stdout.decode("utf-8", "replace")


def insecure_choices(setup_host, signer):
    """One line for each choice that lets an answer replaced in transit start another installer."""
    found = []
    if setup_host and (setup_host.lower().startswith("http://") or "://" not in setup_host):
        found.append("SETUP_HOST %s is asked over plain HTTP: the answer (the installer's URL and MD5) "
                     "could be replaced in transit" % setup_host)
    if not signer:
        found.append("SIGNER is empty: the programs check the installer's MD5 only, which comes with the "
                     "answer, so a replaced answer could start any program")
    return found


INSECURE_REFUSAL = ("refused: anyone on the user's network could swap the installer these programs start:\n"
                    "%s\n"
                    "give SETUP_HOST=https://... and SIGNER=\"the subject common name of the installer's "
                    "code-signing certificate\", or ALLOW_INSECURE=1 to release such programs anyway.")


def committable(path):
    """Whether the file lies in the checkout where git would take it into a commit."""
    path = os.path.realpath(path)
    if os.path.commonpath([path, ROOT]) != ROOT:
        return False
    ignored = subprocess.run(["git", "-C", ROOT, "check-ignore", "-q", path], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode
    if ignored in (0, 1):
        return ignored == 1
    # No repository to ask: only the build folder is never committed.
    return os.path.commonpath([path, os.path.join(ROOT, "build")]) != os.path.join(ROOT, "build")


def check_signing_inputs(args):
    if bool(args.cert) != bool(args.key):
        raise ReleaseError("CERT and KEY go together: the certificate chain and its private key")
    for name, path in (("CERT", args.cert), ("KEY", args.key), ("PASS_FILE", args.pass_file),
                       ("CA_FILE", args.ca_file)):
        if path and not os.path.isfile(path):
            raise ReleaseError("%s %s is not a file" % (name, path))
    for name, path in (("KEY", args.key), ("PASS_FILE", args.pass_file)):
        if path and committable(path):
            raise ReleaseError("%s %s lies in the checkout where git would commit it; keep the "
                               "publisher's key and its password outside the checkout" % (name, path))


def build(target, args):
    """Configures and builds one program in its own folder; returns the path of the unsigned program."""
    folder = os.path.join(args.build, target.preset)
    run(["cmake", "--preset", target.preset, "-B", folder, "-DCORVANE_SETUP_HOST=" + args.setup_host, "-DCORVANE_INSTALLER_SIGNER=" + args.signer,
         "-DCORVANE_TESTS=OFF", "-DCORVANE_BENCH=OFF"], "configuring the %s program" % target.kind)
    run(["cmake", "--build", folder, "--target", "CorvaneOnlineSetup", "-j%d" % args.jobs],
        "building the %s program" % target.kind)
    return os.path.join(folder, "bin", PROGRAM)


def expected_origin(setup_host):
    """The scheme, host and port the program's URL begins with: a host without a scheme is asked over HTTP."""
    return setup_host if "://" in setup_host else "http://" + setup_host


def built_in(program, args):
    """The service URL and the installer signer the program carries, checked against what was asked for."""
    with open(program, "rb") as f:
        data = f.read()
    found = re.search(rb"(https?://[\x21-\x7e]+?)" + re.escape(SERVICE_PATH) + rb"\0", data)
    if not found or found.group(1).decode("ascii").lower() != expected_origin(args.setup_host).lower():
        raise ReleaseError("%s does not ask %s (it asks %s)" % (
            program, expected_origin(args.setup_host),
            found.group(1).decode("ascii") if found else "no service at all"))
    service = (found.group(1) + SERVICE_PATH).decode("ascii") + QUERY
    if args.signer and (args.signer.encode("utf-16-le") + b"\0\0") not in data:
        raise ReleaseError("%s does not carry the installer signer %r" % (program, args.signer))
    return service


def sign(unsigned, signed, args):
    command = ["osslsigncode", "sign", "-certs", args.cert, "-key", args.key, "-h", "sha256",
               "-in", unsigned, "-out", signed]
    if args.pass_file:
        command += ["-readpass", args.pass_file]
    if args.timestamp_url:
        command += ["-ts", args.timestamp_url]
    run(command, "signing %s" % os.path.basename(signed))


def verify(signed, args):
    """osslsigncode's check of the signature, its chain and its timestamp; returns the signer's subject."""
    command = ["osslsigncode", "verify", "-in", signed]
    if args.ca_file:
        command += ["-CAfile", args.ca_file]
    out = run(command, "verifying %s" % os.path.basename(signed))
    if "Signature verification: ok" not in out:
        raise ReleaseError("osslsigncode does not accept the signature of %s:\n%s" % (signed, out))
    if args.timestamp_url and "Timestamp is not available" in out:
        raise ReleaseError("%s carries no timestamp" % signed)
    # osslsigncode 2.9 rules a line under the heading, 2.5 (Debian 12's own) does not.
    subject = re.search(r"Signer's certificate:\s*(?:-+\s*)?Signer #0:\s*Subject: (.*)", out)
    return subject.group(1).strip() if subject else "?"


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for piece in iter(lambda: f.read(1 << 20), b""):
            digest.update(piece)
    return digest.hexdigest()


def release_one(target, folder, args):
    """Builds, checks and (given a certificate) signs and verifies one program into the folder."""
    unsigned = build(target, args)
    service = built_in(unsigned, args)
    released = os.path.join(folder, target.released_as)
    if args.cert:
        sign(unsigned, released, args)
        own_signer = verify(released, args)
    else:
        shutil.copyfile(unsigned, released)
        own_signer = "none: unsigned, SmartScreen blocks it"
    return target, service, own_signer, os.path.getsize(unsigned), os.path.getsize(released), sha256(released)


def release(args):
    # The folder holds one run's result or nothing: a refused or failed run leaves no earlier file behind
    # that could be taken for this one's.
    partial = args.out.rstrip("/") + ".partial"
    for folder in (args.out, partial):
        shutil.rmtree(folder, ignore_errors=True)
    insecure = insecure_choices(args.setup_host, args.signer)
    if insecure and not args.allow_insecure:
        raise ReleaseError(INSECURE_REFUSAL % "\n".join("  " + line for line in insecure))
    for line in insecure:
        sys.stderr.write("warning: %s\n" % line)
    if not args.cert and not args.unsigned:
        raise ReleaseError(UNSIGNED_REFUSAL)
    check_signing_inputs(args)
    if not args.setup_host:
        raise ReleaseError("SETUP_HOST is required: the setup-info service the programs ask, "
                           "e.g. SETUP_HOST=https://setup.example.com")

    os.makedirs(partial)
    try:
        report = [release_one(target, partial, args) for target in TARGETS]
    except BaseException:
        shutil.rmtree(partial, ignore_errors=True)
        raise
    with open(os.path.join(partial, SUMS), "w", encoding="ascii") as f:
        for target, _, _, _, _, digest in report:
            f.write("%s  %s\n" % (digest, target.released_as))
    os.rename(partial, args.out)

    for target, service, own_signer, unsigned_size, size, digest in report:
        print("%s (%s)" % (os.path.join(args.out, target.released_as), target.kind))
        print("  service:          %s" % service)
        print("  installer signer: %s" % (args.signer or "none: the installer's MD5 only"))
        print("  signed by:        %s" % own_signer)
        print("  size:             %d bytes (%d unsigned)" % (size, unsigned_size))
        print("  SHA-256:          %s" % digest)
    print("%s: the SHA-256 sums (sha256sum -c)" % os.path.join(args.out, SUMS))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--setup-host", default="")
    parser.add_argument("--signer", default="")
    parser.add_argument("--cert", default="")
    parser.add_argument("--key", default="")
    parser.add_argument("--pass-file", default="")
    parser.add_argument("--timestamp-url", default="")
    parser.add_argument("--ca-file", default="")
    parser.add_argument("--unsigned", action="store_true")
    parser.add_argument("--allow-insecure", action="store_true")
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "release"))
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release-build"))
    parser.add_argument("--jobs", type=int, default=1)
    args = parser.parse_args(argv)
    try:
        release(args)
    except ReleaseError as error:
        sys.stderr.write("release: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
