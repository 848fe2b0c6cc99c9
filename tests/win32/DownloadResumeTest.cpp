// Resume: a temporary file of N bytes continues at byte N over HTTP (Range), FTP (REST) and local file URLs.
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class Resume : public DownloadTest {};

// Expects DLP_RESUMED with n, then DLP_RECEIVED values growing from n to the total, each past n.
void ExpectCountsFrom(const std::vector<Notification>& resumed, const std::vector<Notification>& received, size_t n,
                      size_t total)
{
    ASSERT_EQ(resumed.size(), 1u);
    EXPECT_EQ(static_cast<size_t>(resumed[0].lParam), n);
    ASSERT_FALSE(received.empty());
    EXPECT_GT(static_cast<size_t>(received.front().lParam), n);
    EXPECT_LE(static_cast<size_t>(received.front().lParam), n + 512);
    EXPECT_EQ(static_cast<size_t>(received.back().lParam), total);
    for (size_t i = 1; i < received.size(); ++i) EXPECT_GT(received[i].lParam, received[i - 1].lParam);
}

}  // namespace

TEST_F(Resume, HttpAsksForTheRestWithAnOpenRangeAndCompletes)
{
    const std::string source = Served("small.bin");
    const size_t n = 40000;
    WriteBytes(Temp(), source.substr(0, n));
    LogTail log("fault-requests.log");

    EXPECT_NE(Download(FaultUrl("file/small.bin")), 0);

    EXPECT_EQ(ReadBytes(m_dest), source);
    EXPECT_FALSE(Exists(Temp()));
    ExpectCountsFrom(Of(DLP_RESUMED), Of(DLP_RECEIVED), n, source.size());
    // The probe and the size request ask for the first byte only; the transfer request asks from byte n to the
    // end.
    int ranged = 0, firstByte = 0;
    for (const std::string& line : log.NewLines()) {
        if (line.find("\"Range\"") == std::string::npos) continue;
        if (line.find("[\"Range\", \"bytes=0-0\"]") != std::string::npos) {
            ++firstByte;
            continue;
        }
        ++ranged;
        EXPECT_NE(line.find("[\"Range\", \"bytes=40000-\"]"), std::string::npos) << line;
    }
    EXPECT_EQ(ranged, 1);
    EXPECT_EQ(firstByte, 2);
}

TEST_F(Resume, HttpAgainstNginxGetsA206)
{
    const std::string source = Served("small.bin");
    WriteBytes(Temp(), source.substr(0, 777));
    LogTail log("nginx-access.log");

    EXPECT_NE(Download(NginxUrl("small.bin")), 0);

    EXPECT_EQ(ReadBytes(m_dest), source);
    EXPECT_EQ(m_engine.m_dwStatusCode, 206u);
    bool sawRange = false;
    for (const std::string& line : log.NewLines()) sawRange |= line == "/small.bin|206|bytes=777-|no-cache";
    EXPECT_TRUE(sawRange);
}

TEST_F(Resume, FtpSendsRestBeforeTheRetrieveAndCompletes)
{
    const std::string source = Served("small.bin");
    const size_t n = 5000;
    WriteBytes(Temp(), source.substr(0, n));
    LogTail log("ftp-commands.log");

    EXPECT_NE(Download(FtpUrl("small.bin")), 0);

    EXPECT_EQ(ReadBytes(m_dest), source);
    ExpectCountsFrom(Of(DLP_RESUMED), Of(DLP_RECEIVED), n, source.size());
    std::vector<std::string> lines = log.NewLines();
    size_t rest = lines.size(), retr = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "rest REST 5000") rest = i;
        if (lines[i] == "rest RETR /small.bin") retr = i;
    }
    ASSERT_LT(rest, lines.size());
    ASSERT_LT(retr, lines.size());
    EXPECT_LT(rest, retr);
    // REST holds only for the next transfer command; nothing but TYPE and PASV may come between.
    for (size_t i = rest + 1; i < retr; ++i)
        EXPECT_TRUE(lines[i] == "rest TYPE I" || lines[i] == "rest PASV" || lines[i] == "rest EPSV") << lines[i];
}

TEST_F(Resume, LocalFileContinuesAtTheSameOffset)
{
    const std::string source = Served("other.bin");
    const size_t n = 1234;
    WriteBytes(Temp(), source.substr(0, n));
    std::string path = ServersDir().substr(2) + "\\www\\other.bin";
    for (char& c : path)
        if (c == '\\') c = '/';

    EXPECT_NE(Download("file:///Z:" + path), 0);

    EXPECT_EQ(ReadBytes(m_dest), source);
    ExpectCountsFrom(Of(DLP_RESUMED), Of(DLP_RECEIVED), n, source.size());
    ASSERT_EQ(Of(DLP_TOTAL).size(), 1u);
    EXPECT_EQ(static_cast<size_t>(Of(DLP_TOTAL)[0].lParam), source.size());
}
