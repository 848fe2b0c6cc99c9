"""The package set-up while a mirror syncs: stand-in apt-get, apt-config, dpkg-query and systemctl first on PATH."""
import os
import subprocess

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FAILING = "http://mirror.test/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"
SOURCES = """Types: deb
URIs: http://mirror.test/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror.test/debian-security
Suites: bookworm-security
Components: main
"""
# Each stand-in logs its arguments; apt-get copies the source list an install was given, then follows $INSTALL.
STUBS = {
    "dpkg-query": '[ "$3" = "$MISSING" ] && exit 1; printf "install ok installed"',
    "systemctl": "exit 0",
    "apt-config": "echo \"SL='$FAKE/sources.list' SP='$FAKE/sources.list.d/'\"",
    "apt-get": """echo "$*" >> "$FAKE/apt-get.log"
case " $* " in
*" update "*) echo "E: Failed to fetch %s  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    exit 100 ;;
*" install "*) for a in "$@"; do case $a in Dir::Etc::SourceParts=*) cat "${a#*=}"/* > "$FAKE/installed-from";;
        Dir::Etc::Preferences=*) cat "${a#*=}" > "$FAKE/preferences";; esac; done
    exit "$INSTALL" ;;
esac""" % FAILING,
}


def run_install_deps(tmp_path, missing, install_rc):
    fake = tmp_path / "apt"
    (fake / "sources.list.d").mkdir(parents=True)
    (fake / "sources.list").write_text("")
    (fake / "sources.list.d" / "debian.sources").write_text(SOURCES)
    (fake / "sources.list.d" / "old.list.disabled").write_text("deb http://elsewhere.test/ x main\n")
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    for name, body in STUBS.items():
        (bin_dir / name).write_text("#!/bin/sh\n" + body + "\n")
        (bin_dir / name).chmod(0o755)
    env = dict(os.environ, PATH="%s:%s" % (bin_dir, os.environ["PATH"]), FAKE=str(fake), MISSING=missing,
               INSTALL=str(install_rc), CORVANE_NO_32BIT="1", CORVANE_APT_PAUSE="0")
    p = subprocess.run(["sh", os.path.join(ROOT, "scripts", "install-deps.sh")], env=env, stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, timeout=120)
    log = (fake / "apt-get.log").read_text().splitlines() if (fake / "apt-get.log").exists() else []
    return p, log, fake


def test_an_index_that_keeps_failing_still_leads_to_an_install_from_the_suites_that_updated(tmp_path):
    p, log, fake = run_install_deps(tmp_path, "nginx", 0)
    assert p.returncode == 0, p.stderr.decode()
    assert log[:3] == ["update -q"] * 3 and len(log) == 4
    assert "install -y" in log[3] and " nginx " in log[3] + " "
    assert "Suites: bookworm bookworm-updates" in (fake / "installed-from").read_text()
    assert "bookworm-security" not in (fake / "installed-from").read_text()
    assert "elsewhere.test" not in (fake / "installed-from").read_text()
    # A package the left-out suite installed may be taken back to the version of the suites that updated, so
    # that its i386 sibling, of the same version, can be installed.
    assert "--allow-downgrades" in log[3] and "Pin-Priority: 1001" in (fake / "preferences").read_text()
    assert log[3].endswith(" nginx")
    assert b"without the suite that failed to update: http://mirror.test/debian-security bookworm-security" in p.stdout
    # The machine's own sources are only read.
    assert (fake / "sources.list.d" / "debian.sources").read_text() == SOURCES


def test_an_install_that_fails_names_the_index_and_says_to_try_later(tmp_path):
    p, log, _ = run_install_deps(tmp_path, "nginx", 100)
    assert p.returncode != 0
    err = p.stderr.decode()
    assert FAILING in err and "run 'make deps' again later" in err


def test_nothing_missing_asks_apt_nothing_and_says_nothing(tmp_path):
    p, log, _ = run_install_deps(tmp_path, "", 0)
    assert (p.returncode, log, p.stdout, p.stderr) == (0, [], b"", b"")
