// HTTPS: the HTTP transport over TLS against nginx with the test certificates, whose root only the tests' Wine
// prefix trusts; redirects between http and https; every fault of the server's certificate fails the attempt.
#include "CInternetSession.h"
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class Tls : public DownloadTest {};

// nginx's log lines are "uri|status|range|pragma": the probe asks for the first byte without no-cache, the
// transfer request for the rest with it, and the size request for the first byte with it.
int Count(const std::vector<std::string>& lines, const std::string& line)
{
    int n = 0;
    for (const std::string& l : lines) n += l == line;
    return n;
}

// The servers whose certificate for "localhost" fails a full check: expired, from a root nobody trusts, and
// valid for another name only.
const char* const kFaultyServers[] = {"CORVANE_DL_TLS_EXPIRED_PORT", "CORVANE_DL_TLS_UNTRUSTED_PORT",
                                      "CORVANE_DL_TLS_OTHER_NAME_PORT"};

}  // namespace

TEST_F(Tls, AnHttpsFileIsProbedTransferredAndSizedOverTls)
{
    LogTail log("nginx-tls-access.log");
    ASSERT_NE(Download(TlsUrl("small.bin")), 0);
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Complete);
    EXPECT_EQ(ReadBytes(m_dest), Served("small.bin"));
    EXPECT_FALSE(Exists(Temp()));
    const std::vector<std::string> lines = log.NewLines(3);
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(Count(lines, "/small.bin|206|bytes=0-0|-"), 1);
    EXPECT_EQ(Count(lines, "/small.bin|200|-|no-cache"), 1);
    EXPECT_EQ(Count(lines, "/small.bin|206|bytes=0-0|no-cache"), 1);
}

TEST_F(Tls, APartialFileIsResumedWithARangeRequest)
{
    const std::string source = Served("small.bin");
    WriteBytes(Temp(), source.substr(0, 777));
    LogTail log("nginx-tls-access.log");

    ASSERT_NE(Download(TlsUrl("small.bin")), 0);

    EXPECT_EQ(ReadBytes(m_dest), source);
    EXPECT_EQ(m_engine.m_dwStatusCode, 206u);
    EXPECT_EQ(Count(log.NewLines(), "/small.bin|206|bytes=777-|no-cache"), 1);
    ASSERT_EQ(Of(DLP_RESUMED).size(), 1u);
    EXPECT_EQ(Of(DLP_RESUMED)[0].lParam, 777);
}

TEST_F(Tls, AnHttpRedirectToHttpsIsProbedAndFollowed)
{
    LogTail plain("nginx-access.log");
    LogTail tls("nginx-tls-access.log");
    ASSERT_NE(Download(NginxUrl("to-https")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    const std::vector<std::string> plainLines = plain.NewLines();
    const std::vector<std::string> tlsLines = tls.NewLines();
    EXPECT_EQ(Count(plainLines, "/to-https|302|bytes=0-0|-"), 1);
    // The probe of the target found no further redirect; the transfer went to the target directly.
    EXPECT_EQ(Count(tlsLines, "/d/setup.exe|206|bytes=0-0|-"), 1);
    EXPECT_EQ(Count(tlsLines, "/d/setup.exe|200|-|no-cache"), 1);
    EXPECT_EQ(Count(plainLines, "/d/setup.exe|200|-|no-cache"), 0);
}

TEST_F(Tls, AnHttpsRedirectBackToHttpIsProbedAndFollowed)
{
    LogTail plain("nginx-access.log");
    LogTail tls("nginx-tls-access.log");
    ASSERT_NE(Download(TlsUrl("to-http")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    EXPECT_EQ(Count(tls.NewLines(), "/to-http|302|bytes=0-0|-"), 1);
    EXPECT_EQ(Count(plain.NewLines(), "/d/setup.exe|200|-|no-cache"), 1);
}

TEST_F(Tls, TheProbeRewritesAnHttpsRedirect)
{
    CInternetSession session("probe test");
    CString url = TlsUrl("to-http").c_str();
    EXPECT_EQ(m_engine.OpenRedirectHttpURL(url, session), 1);
    EXPECT_EQ(url, NginxUrl("d/setup.exe").c_str());
}

TEST_F(Tls, EveryCertificateFaultFailsTheAttemptWithNothingDownloaded)
{
    std::vector<std::string> urls;
    for (const char* server : kFaultyServers) urls.push_back(TlsUrl("small.bin", server));
    // A redirect to such a server fails the same: the probe of the target checks its certificate.
    urls.push_back(NginxUrl("to-https-expired"));
    for (const std::string& url : urls) {
        LogTail tls("nginx-tls-access.log");
        EXPECT_EQ(Download(url), 0) << url;
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed) << url;
        EXPECT_FALSE(Exists(m_dest)) << url;
        EXPECT_EQ(ReadBytes(Temp()), "") << url;
        EXPECT_TRUE(Of(DLP_TOTAL).empty()) << url;
        // The handshake failed: no request reached a TLS server.
        EXPECT_TRUE(tls.NewLines().empty()) << url;
    }
}
