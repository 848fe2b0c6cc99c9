// Redirects: probing up to five, 307 left to WinInet, Location values absolute, path-absolute and relative.
#include <memory>

#include "CInternetSession.h"
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class Redirect : public DownloadTest {};

// nginx's log lines are "uri|status|range|pragma"; the probe is the one request sent without no-cache, and
// like the size request it asks for the first byte only.
int Probes(const std::vector<std::string>& lines, const std::string& uriAndStatus)
{
    int n = 0;
    for (const std::string& line : lines) n += line == uriAndStatus + "|bytes=0-0|-";
    return n;
}

}  // namespace

TEST_F(Redirect, AbsoluteLocationsOfNginxAreFollowed)
{
    for (const char* path : {"r301", "r302", "r303"}) {
        LogTail log("nginx-access.log");
        EXPECT_NE(Download(NginxUrl(path)), 0) << path;
        EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe")) << path;
        std::vector<std::string> lines = log.NewLines();
        std::string status = std::string(path).substr(1);
        EXPECT_EQ(Probes(lines, "/" + std::string(path) + "|" + status), 1) << path;
        // The probe resolved the target, so the transfer request went there directly.
        EXPECT_EQ(Probes(lines, "/d/setup.exe|206"), 1) << path;
        bool transferToTarget = false;
        for (const std::string& line : lines) transferToTarget |= line == "/d/setup.exe|200|-|no-cache";
        EXPECT_TRUE(transferToTarget) << path;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Redirect, A307IsNotProbedButFollowedByTheTransferRequest)
{
    LogTail log("nginx-access.log");
    EXPECT_NE(Download(NginxUrl("r307")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    std::vector<std::string> lines = log.NewLines();
    EXPECT_EQ(Probes(lines, "/r307|307"), 1);
    EXPECT_EQ(Probes(lines, "/d/setup.exe|206"), 0);
}

TEST_F(Redirect, AChainOfSixIsProbedFiveTimesAndWinInetFollowsTheSixth)
{
    LogTail log("nginx-access.log");
    EXPECT_NE(Download(NginxUrl("chain/1")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    std::vector<std::string> lines = log.NewLines();
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(Probes(lines, "/chain/" + std::to_string(i) + "|302"), 1) << i;
    EXPECT_EQ(Probes(lines, "/chain/6|302"), 0);
    bool transferToSixth = false;
    for (const std::string& line : lines) transferToSixth |= line == "/chain/6|302|-|no-cache";
    EXPECT_TRUE(transferToSixth);
}

TEST_F(Redirect, LocationValuesResolveAgainstTheRequestUrl)
{
    const std::string port = std::to_string(Port("CORVANE_DL_FAULT_PORT"));
    const struct {
        std::string location;
        const char* served;
    } cases[] = {
        {"other.exe", "d/other.exe"},
        {"/file/other.bin", "other.bin"},
        {"http://127.0.0.1:" + port + "/file/d/other.exe", "d/other.exe"},
        {"../small.bin", "small.bin"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(Download(FaultUrl("file/d/setup.exe?redirect=" + c.location)), 0) << c.location;
        EXPECT_EQ(ReadBytes(m_dest), Served(c.served)) << c.location;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Redirect, ProbeRewritesOnlyHttpRedirects)
{
    CInternetSession session("probe test");
    CString url = NginxUrl("r302").c_str();
    EXPECT_EQ(m_engine.OpenRedirectHttpURL(url, session), 1);
    EXPECT_EQ(url, NginxUrl("d/setup.exe").c_str());
    EXPECT_EQ(m_engine.OpenRedirectHttpURL(url, session), 0);
    EXPECT_EQ(url, NginxUrl("d/setup.exe").c_str());

    CString ftp = FtpUrl("small.bin").c_str();
    EXPECT_EQ(m_engine.OpenRedirectHttpURL(ftp, session), 0);
    EXPECT_EQ(ftp, FtpUrl("small.bin").c_str());
    CString missing = NginxUrl("nothing-here").c_str();
    EXPECT_EQ(m_engine.OpenRedirectHttpURL(missing, session), 0);
}
