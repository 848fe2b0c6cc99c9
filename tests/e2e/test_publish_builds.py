"""Publishing builds while clients download them: a URL per build, kept builds, cut-short publishes, caches."""
import hashlib
import http.client
import os
import resource
import signal
import subprocess

from conftest import PUBLISH, SERVICE_HOST, SERVICE_PORT, launched, make_installer, wait_for
from localservers import LocalWeb
from test_workflow import FRESH, SETUP, downloads

ANSWER = "/ClientSrv/Getqzvrsetup.aspx?vertype=0"
CACHING_PROXY = """    proxy_cache_path %s keys_zone=builds:1m;
    server {
        listen %s;
        add_header X-Cache $upstream_cache_status;
        location / { proxy_pass http://127.0.0.1:%d; proxy_cache builds; proxy_cache_valid 200 206 10m; }
    }"""


def get(path, method="GET"):
    conn = http.client.HTTPConnection("127.0.0.1", SERVICE_PORT, timeout=30)
    try:
        conn.request(method, path)
        response = conn.getresponse()
        return response.status, dict(response.getheaders()), response.read()
    finally:
        conn.close()


def build_url(signature):
    return "/download/%s/qzvr_setup.exe" % signature


def launches(run, data_dir, source):
    """Whether the run ends by itself (no message holds it) and launches source's build, byte for byte."""
    assert run.wait(120) == 0 and launched(data_dir)
    with open(os.path.join(data_dir, SETUP), "rb") as got, open(source, "rb") as want:
        assert got.read() == want.read()
    os.remove(os.path.join(data_dir, "sample-installer-started.txt"))
    return True


def builds(tmp_path, size, count=2):
    return [make_installer(str(tmp_path / ("build%d.exe" % n)), size + n) for n in range(count)]


def test_a_build_published_during_a_download_spoils_neither_that_run_nor_the_next(installer, data_dir, service,
                                                                                  tmp_path):
    first, second = builds(tmp_path, 6 << 20)
    service.publish(first, limit_rate="1m").start()
    run = installer()
    partial = os.path.join(data_dir, SETUP + ".df!")
    assert wait_for(lambda: os.path.exists(partial) and os.path.getsize(partial) >= 1 << 20, 60)
    service.publish(second, limit_rate="1m")
    assert launches(run, data_dir, first) and launches(installer(), data_dir, second)
    # Two fresh transfers: none resumed, none asked again.
    assert sorted(downloads(service)) == sorted(FRESH + FRESH)


def test_through_a_caching_proxy_each_run_launches_the_build_its_answer_names(installer, data_dir, service,
                                                                            tmp_path):
    first, second = builds(tmp_path, 3 << 20)
    origin = "127.0.0.1:%d" % (SERVICE_PORT + 1)
    cached = build_url(service.publish(first, listen=origin).start().signature)
    proxy = LocalWeb(str(tmp_path / "proxy"), text=CACHING_PROXY % (tmp_path / "cache", SERVICE_HOST,
                                                                    service.port)).start(SERVICE_PORT)
    try:
        assert launches(installer(), data_dir, first)
        service.publish(second, listen=origin)
        assert launches(installer(), data_dir, second)
        # The proxy kept the first build and keeps no answer.
        assert get(cached)[1]["X-Cache"] == "HIT"
        assert [get(ANSWER)[1]["X-Cache"] for _ in range(2)] == ["MISS", "MISS"]
    finally:
        proxy.stop()


def served(service):
    """The answer and the MD5 of every build folder's file, as clients get them."""
    folders = [e for e in os.listdir(os.path.join(service.pub, "builds")) if not e.startswith(".")]
    return get(ANSWER)[2], {b: hashlib.md5(get(build_url(b))[2]).hexdigest() for b in folders}


def open_writer(fifo):
    """The pipe's writing end once a reader has opened it."""
    try:
        return open(os.open(fifo, os.O_WRONLY | os.O_NONBLOCK), "wb", buffering=0)
    except OSError:
        return None


def limit_file_size():
    """Files may grow to 1 MiB only, a write past that failing as on a full disk."""
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))


def test_a_publish_cut_short_leaves_the_answer_and_the_builds_served_as_they_were(service, tmp_path):
    service.publish(make_installer(str(tmp_path / "first.exe"), 1 << 20)).start()
    before = served(service)
    fifo, incoming = str(tmp_path / "fifo"), os.path.join(service.pub, "builds", ".incoming")
    os.mkfifo(fifo)
    command = [PUBLISH, fifo, "http://%s/download/qzvr_setup.exe" % SERVICE_HOST, "--out", service.pub,
               "--listen", SERVICE_HOST]
    killed = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    with wait_for(lambda: open_writer(fifo), 30) as writer:
        os.set_blocking(writer.fileno(), True)
        writer.write(os.urandom(2 << 20))
        assert wait_for(lambda: os.path.exists(incoming) and os.path.getsize(incoming) >= 1 << 20, 30)
        killed.send_signal(signal.SIGKILL)
        killed.wait()
    assert served(service) == before
    # The failed copy also takes away the temporary file the killed one left.
    big = make_installer(str(tmp_path / "big.exe"), 2 << 20)
    for source, limit, failure in ((big, limit_file_size, b"copying"), ("/proc/self/mem", None, b"reading")):
        p = subprocess.run(command[:1] + [source] + command[2:], preexec_fn=limit, stderr=subprocess.PIPE)
        assert p.returncode == 1 and b"failed while " + failure in p.stderr
        assert served(service) == before and not os.path.exists(incoming)


def files(folder):
    """Each file's inode and modification time: what a write or a copy changes."""
    return {os.path.join(d, n): (os.stat(os.path.join(d, n)).st_ino, os.stat(os.path.join(d, n)).st_mtime_ns)
            for d, _, names in os.walk(folder) for n in names}


def test_the_current_build_and_the_two_before_stay_served_for_good_and_a_kept_one_comes_back_uncopied(service,
                                                                                                  tmp_path):
    sources = builds(tmp_path, 300 << 10, 4)
    sums = [service.publish(sources[0]).start().signature] + [service.publish(s).signature for s in sources[1:]]
    assert service.output.splitlines()[-3:] == ["keeps     " + sums[2], "keeps     " + sums[1],
                                                "removes   " + sums[0]]
    assert [get(build_url(s), "HEAD")[0] for s in sums] == [404, 200, 200, 200]
    headers = get(build_url(sums[3]), "HEAD")[1]
    assert headers["Cache-Control"] == "public, max-age=31536000, immutable"
    assert headers["ETag"] and headers["Last-Modified"]
    _, headers, body = get(ANSWER)
    assert headers["Cache-Control"] == "no-cache" and build_url(sums[3]).encode() in body

    # Publishing a kept build again switches the answer back to it, its file untouched; once more changes nothing.
    before = files(service.pub)
    kept = os.path.join(service.pub, "builds", sums[2], "qzvr_setup.exe")
    service.publish(sources[2])
    after = files(service.pub)
    assert after[kept] == before[kept] and build_url(sums[2]).encode() in get(ANSWER)[2]
    assert [get(build_url(s), "HEAD")[0] for s in sums] == [404, 200, 200, 200]
    service.publish(sources[2])
    assert files(service.pub) == after
