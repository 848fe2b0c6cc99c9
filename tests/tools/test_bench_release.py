"""The release-day benchmark runs the README's cache example, counts the origin's copies and catches a bad build."""
import hashlib
import importlib.util
import os
import re

import pytest

from localservers import LocalWeb

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# Loaded under a name of its own: every benchmark's script is a run.py.
SPEC = importlib.util.spec_from_file_location("bench_release", os.path.join(ROOT, "bench", "release", "run.py"))
release = importlib.util.module_from_spec(SPEC)
SPEC.loader.exec_module(release)


def test_the_cache_the_benchmark_starts_runs_the_readmes_whole_example(tmp_path):
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    example = release.readme_cache_example(readme)
    # The whole indented block, its braces closed, each line as the README shows it.
    assert example.count("{") == example.count("}") > 0
    assert all(("    " + line).rstrip() in readme for line in example.splitlines())
    cache = release.start_cache(example, str(tmp_path))
    try:
        with open(os.path.join(str(tmp_path), "nginx.conf"), encoding="utf-8") as f:
            running = f.read()
    finally:
        cache.stop()
    expected = example
    for name, value in release.PLACEHOLDERS:
        expected = expected.replace(name, value % {"store": os.path.join(str(tmp_path), "store")})
    assert expected != example and expected in running


def test_a_readme_without_the_example_or_with_an_address_the_benchmark_cannot_replace_is_refused():
    for readme in ("No cache here.\n\n    listen 80;\n", "Text\n\n    proxy_cache_path /var/cache/corvane;\n"):
        with pytest.raises(ValueError):
            release.on_loopback(release.readme_cache_example(readme), "/tmp/store")
    whole = "Text\n\n    proxy_cache_path /var/cache/corvane;\n    listen 80;\n\n" \
            "    proxy_pass http://origin.example.com;\nMore text.\n"
    assert "listen 127.0.0.1:%d;" % release.CACHE_PORT in release.on_loopback(release.readme_cache_example(whole),
                                                                            "/tmp/store")


def test_the_origins_copies_are_the_bytes_it_sent_of_each_build_over_its_size():
    one, two = "a" * 32, "b" * 32
    line = '127.0.0.1 - - [09/Dec/2026:23:00:00 +0000] "GET %s HTTP/1.0" %d %d "-" "Mozilla/5.0"\n'
    log = "".join(line % entry for entry in [
        (release.ANSWER, 200, 180), ("/download/%s/setup.exe" % one, 200, 1000),
        ("/download/%s/setup.exe" % one, 200, 250),  # a probe cut short
        ("/download/%s/setup.exe" % two, 206, 500), ("/download/%s/setup.exe" % two, 206, 500),
        (release.ANSWER, 200, 180), ("/download/%s/other.exe" % ("c" * 32), 404, 150)])
    assert release.origin_sent(log, {one: 1000, two: 1000}) == ({one: 1.25, two: 1.0}, 2)


def test_a_client_fails_on_a_build_that_does_not_match_its_answer_and_passes_on_one_that_does(tmp_path):
    build = os.urandom(300 * 1024)
    os.makedirs(tmp_path / "www" / "download")
    (tmp_path / "www" / "download" / "setup.exe").write_bytes(build)
    served = LocalWeb(str(tmp_path / "nginx"), text="""    server {
        listen 127.0.0.1:%d;
        root %s;
        location = /ClientSrv/Getqzvrsetup.aspx { default_type text/xml; alias %s; }
    }""" % (release.CACHE_PORT, tmp_path / "www", tmp_path / "answer.xml")).start(release.CACHE_PORT)
    try:
        for signature, half, failed in ((hashlib.md5(b"x").hexdigest(), None, True),
                                         (hashlib.md5(build).hexdigest(), None, False),
                                         (hashlib.md5(build).hexdigest(), build[:1000], False),
                                         (hashlib.md5(build).hexdigest(), b"y" * 1000, True)):
            (tmp_path / "answer.xml").write_text('<qzvrsetup fileurl="http://127.0.0.1:%d/download/setup.exe" '
                                                 'filesign="%s" />' % (release.CACHE_PORT, signature))
            results, failures, _ = release.wave(3, half)
            assert len(failures) == (3 if failed else 0), failures
            assert all(re.match("Failure: .* MD5 ", f) for f in failures)
            assert all(r.get("got") == signature for r in results) != failed
    finally:
        served.stop()
