// Temporary files that no longer fit the server's answer: the transfer starts afresh instead of never finishing.
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {
class Afresh : public DownloadTest {};
}  // namespace

TEST_F(Afresh, WholeBodyToARangedRequestIsWrittenFromTheStart)
{
    const std::string source = Served("small.bin");
    for (size_t stale : {size_t(40000), source.size() + 5000}) {
        WriteBytes(Temp(), std::string(stale, 'x'));
        EXPECT_NE(Download(FaultUrl("ignore-range/small.bin")), 0) << stale;
        EXPECT_EQ(ReadBytes(m_dest), source) << stale;
        EXPECT_TRUE(Of(DLP_RESUMED).empty()) << stale;
        ASSERT_FALSE(Of(DLP_RECEIVED).empty());
        EXPECT_LE(Of(DLP_RECEIVED).front().lParam, 512) << stale;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Afresh, TemporaryFileLongerThanTheServersFileIsStartedAgain)
{
    const std::string source = Served("small.bin");
    for (const std::string& url : {NginxUrl("small.bin"), FaultUrl("file/small.bin"), FtpUrl("small.bin")}) {
        WriteBytes(Temp(), std::string(source.size() + 1, 'x'));
        EXPECT_NE(Download(url), 0) << url;
        EXPECT_EQ(ReadBytes(m_dest), source) << url;
        EXPECT_FALSE(Exists(Temp())) << url;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Afresh, RefusedRestRewritesFromTheStart)
{
    const std::string source = Served("small.bin");
    LogTail log("ftp-commands.log");
    WriteBytes(Temp(), std::string(5000, 'x'));
    EXPECT_NE(Download(FtpUrl("small.bin", nullptr, true)), 0);
    EXPECT_EQ(ReadBytes(m_dest), source);
    bool refused = false;
    for (const std::string& line : log.NewLines()) refused |= line == "norest REST 5000";
    EXPECT_TRUE(refused);
    // The resumed length was announced before the refusal; the counts then start again from 0.
    ASSERT_EQ(Of(DLP_RESUMED).size(), 1u);
    EXPECT_LE(Of(DLP_RECEIVED).front().lParam, 512);
}
