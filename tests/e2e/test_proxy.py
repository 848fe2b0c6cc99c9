"""The user's manual proxy in the prefix's Internet settings: the service request and every request of the
download go through it, a resume's range included, except to the hosts of its bypass list."""
import json
import os
import subprocess

import pytest

from conftest import SERVICE_PORT, launched, make_installer
from localservers import PYTHON, SERVERS, ServerProcess, _wait_for_ports
from test_workflow import FRESH, RESUMED, SETUP, copy_prefix, downloads, md5, record_bytes

PROXY_PORT = SERVICE_PORT + 2
SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
SERVICE_REQUEST = "GET http://127.0.0.1:%d/ClientSrv/Getqzvrsetup.aspx?vertype=0 HTTP/1.1" % SERVICE_PORT


class Proxy:
    """The tests' forward proxy (tests/servers/forward_proxy.py), made the user's manual proxy on demand."""

    def __init__(self, env, root):
        self.env = env
        self.log_path = os.path.join(root, "proxy-requests.log")
        self.server = ServerProcess(os.path.join(root, "proxy.pid"), os.path.join(root, "proxy.out"))

    def start(self):
        self.server.start([PYTHON, os.path.join(SERVERS, "forward_proxy.py"), str(PROXY_PORT), self.log_path])
        _wait_for_ports([PROXY_PORT], [self.server])
        return self

    def reg(self, *args):
        subprocess.run(["wine", "reg"] + list(args) + ["/f"], env=self.env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def use(self, bypass):
        self.reg("add", SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1")
        self.reg("add", SETTINGS, "/v", "ProxyServer", "/d", "127.0.0.1:%d" % PROXY_PORT)
        self.reg("add", SETTINGS, "/v", "ProxyOverride", "/d", bypass)

    def forwarded(self):
        """What the proxy forwarded: {"line": ..., "headers": [[name, value], ...], "address": ...} each."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def stop(self):
        self.reg("add", SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "0")
        for name in ("ProxyServer", "ProxyOverride"):
            subprocess.run(["wine", "reg", "delete", SETTINGS, "/v", name, "/f"], env=self.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.server.stop()


@pytest.fixture
def proxy(wine_env, tmp_path):
    p = Proxy(wine_env, str(tmp_path)).start()
    yield p
    p.stop()


def ranges(entries):
    return sorted(dict(e["headers"]).get("Range", "-") for e in entries)


# Windows sends no loopback address through a proxy unless the bypass list says "<-loopback>"; with it, the service
# at 127.0.0.1 is asked through the proxy as well, as it is under Wine.
def test_an_installer_at_a_name_only_the_proxy_knows_is_resumed_through_it(installer, data_dir, service, proxy,
                                                                          tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 3 << 20)
    service.publish(source, host="corvane-dl.test:%d" % SERVICE_PORT).start()
    os.makedirs(data_dir)
    copy_prefix(source, os.path.join(data_dir, SETUP + ".df!"), 1000000)
    with open(os.path.join(data_dir, "qzvrsetup.xml"), "wb") as f:
        f.write(record_bytes(service.signature))
    proxy.use("<-loopback>")
    run = installer()
    assert run.wait(120) == 0
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    assert launched(data_dir)
    forwarded = proxy.forwarded()
    assert [e["line"] for e in forwarded if e["line"] == SERVICE_REQUEST] == [SERVICE_REQUEST]
    download = [e for e in forwarded if e["line"] == "GET %s HTTP/1.1" % service.answer_url]
    # The redirect probe and the size request ask for the first byte, the transfer for the rest; the origin
    # answered each range.
    assert ranges(download) == ["bytes=0-0", "bytes=0-0", "bytes=1000000-"]
    assert len(forwarded) == 4
    assert downloads(service) == RESUMED


def test_a_host_of_the_bypass_list_is_reached_directly(installer, data_dir, service, proxy, tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 3 << 20)
    service.publish(source, host="localhost:%d" % SERVICE_PORT).start()
    proxy.use("<-loopback>;localhost")
    run = installer()
    assert run.wait(120) == 0
    assert md5(os.path.join(data_dir, SETUP)) == service.signature
    assert launched(data_dir)
    assert [e["line"] for e in proxy.forwarded()] == [SERVICE_REQUEST]
    assert downloads(service) == FRESH
