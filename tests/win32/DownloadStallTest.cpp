// A server that falls silent in the middle of a body: the receive time-out ends the call, the next resumes.
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {
class Stall : public DownloadTest {};
}  // namespace

TEST_F(Stall, ASilentServerFailsTheCallAfterTheTimeoutAndTheNextCallResumes)
{
    const std::string source = Served("small.bin");
    // The server keeps the connection open and silent for 120 s: only the time-out can end the read.
    m_engine.m_dwReceiveTimeout = 2000;
    const DWORD started = ::GetTickCount();
    EXPECT_EQ(Download(FaultUrl("stall/small.bin?cut=30000")) != 0 && Exists(m_dest), false);
    const DWORD elapsed = ::GetTickCount() - started;
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 60000u);
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed);
    const std::string partial = ReadBytes(Temp());
    ASSERT_FALSE(partial.empty());
    EXPECT_LE(partial.size(), 30000u);
    EXPECT_EQ(partial, source.substr(0, partial.size()));

    LogTail log("fault-requests.log");
    EXPECT_NE(Download(FaultUrl("file/small.bin")), 0);
    EXPECT_EQ(ReadBytes(m_dest), source);
    const std::string range = "[\"Range\", \"bytes=" + std::to_string(partial.size()) + "-\"]";
    bool resumed = false;
    for (const std::string& line : log.NewLines()) resumed = resumed || line.find(range) != std::string::npos;
    EXPECT_TRUE(resumed) << "no request for the rest from byte " << partial.size();
}
