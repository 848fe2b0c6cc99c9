// The user's manual proxy: every request of an HTTP download goes through it, resumes included, except to the
// hosts of its bypass list; FTP and file URLs, and a proxy switched off, go direct.
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class Proxy : public DownloadTest {};

// A name only the tests' proxy can reach, for nginx's port.
std::string ProxiedUrl(const std::string& path)
{
    return "http://corvane-dl.test:" + std::to_string(Port("CORVANE_DL_NGINX_PORT")) + "/" + path;
}

// The proxy logs {"line": "GET http://... HTTP/1.1", "headers": [["Name", "value"], ...], "address": "..."}.
int Forwarded(const std::vector<std::string>& lines, const std::string& requestLine, const std::string& range)
{
    int n = 0;
    for (const std::string& line : lines)
        n += line.find("{\"line\": \"" + requestLine + "\"") == 0 &&
             (range.empty() ? line.find("\"Range\"") == std::string::npos
                            : line.find("[\"Range\", \"" + range + "\"]") != std::string::npos);
    return n;
}

}  // namespace

TEST_F(Proxy, ADownloadFromANameOnlyTheProxyKnowsGoesThroughItWholeAndResumed)
{
    ProxySetting proxy(true, ProxyAddress(), "");
    const std::string url = ProxiedUrl("d/setup.exe");
    const std::string request = "GET " + url + " HTTP/1.1";
    const std::string source = Served("d/setup.exe");

    LogTail log("proxy-requests.log");
    ASSERT_NE(Download(url), 0);
    EXPECT_EQ(ReadBytes(m_dest), source);
    std::vector<std::string> lines = log.NewLines();
    // The redirect probe and the size request ask for the first byte, the transfer for everything.
    EXPECT_EQ(Forwarded(lines, request, "bytes=0-0"), 2);
    EXPECT_EQ(Forwarded(lines, request, ""), 1);
    EXPECT_EQ(lines.size(), 3u);

    ::DeleteFileA(m_dest.c_str());
    WriteBytes(Temp(), source.substr(0, 20000));
    LogTail resumed("proxy-requests.log");
    LogTail origin("nginx-access.log");
    ASSERT_NE(Download(url), 0);
    EXPECT_EQ(ReadBytes(m_dest), source);
    EXPECT_EQ(Forwarded(resumed.NewLines(), request, "bytes=20000-"), 1);
    // The range reached the server, which answered it.
    bool answered = false;
    for (const std::string& line : origin.NewLines()) answered = answered || line == "/d/setup.exe|206|bytes=20000-|no-cache";
    EXPECT_TRUE(answered);
}

TEST_F(Proxy, HostsOfTheBypassListAreReachedDirectly)
{
    const std::string port = std::to_string(Port("CORVANE_DL_NGINX_PORT"));
    // An exact name, and "<local>" for a name without a dot.
    const std::pair<std::string, std::string> cases[] = {{"127.0.0.1", "http://127.0.0.1:" + port + "/d/setup.exe"},
                                                         {"x.test; <local>", "http://localhost:" + port + "/d/setup.exe"}};
    for (const auto& c : cases) {
        ProxySetting proxy(true, ProxyAddress(), c.first);
        LogTail log("proxy-requests.log");
        LogTail origin("nginx-access.log");
        EXPECT_NE(Download(c.second), 0) << c.first;
        EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe")) << c.first;
        EXPECT_TRUE(log.NewLines().empty()) << c.first;
        EXPECT_EQ(origin.NewLines(3).size(), 3u) << c.first;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Proxy, FtpAndAProxySwitchedOffGoDirect)
{
    {
        ProxySetting proxy(true, ProxyAddress(), "");
        LogTail log("proxy-requests.log");
        EXPECT_NE(Download(FtpUrl("d/setup.exe")), 0);
        EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
        EXPECT_TRUE(log.NewLines().empty());
        ::DeleteFileA(m_dest.c_str());
    }
    ProxySetting off(false, ProxyAddress(), "");
    LogTail log("proxy-requests.log");
    EXPECT_NE(Download(NginxUrl("d/setup.exe")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    EXPECT_TRUE(log.NewLines().empty());
}
