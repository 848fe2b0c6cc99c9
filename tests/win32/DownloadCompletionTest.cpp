// Completion and stop requests: the move onto the destination, and a stopped download that later resumes.
#include <thread>

#include "DownloadTestSupport.h"
#include "KernelHandle.h"

using namespace dltest;

namespace {
class Completion : public DownloadTest {};
class Stop : public DownloadTest {};
}  // namespace

TEST_F(Completion, CompleteTemporaryFileIsMovedWithoutReadingABody)
{
    const std::string source = Served("small.bin");
    for (const std::string& url : {NginxUrl("small.bin"), FaultUrl("file/small.bin")}) {
        WriteBytes(Temp(), source);
        EXPECT_EQ(Download(url), 1) << url;
        EXPECT_EQ(ReadBytes(m_dest), source) << url;
        EXPECT_FALSE(Exists(Temp())) << url;
        EXPECT_TRUE(Of(DLP_RECEIVED).empty()) << url;
        EXPECT_EQ(m_engine.m_dwTotalSize, source.size());
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Completion, ExistingDestinationIsReplaced)
{
    WriteBytes(m_dest, "an older installer");
    EXPECT_NE(Download(NginxUrl("d/setup.exe")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    EXPECT_FALSE(Exists(Temp()));
}

TEST_F(Completion, EmptyFileWithAKnownSizeIsMoved)
{
    EXPECT_NE(Download(FtpUrl("empty.bin")), 0);
    EXPECT_TRUE(Exists(m_dest));
    EXPECT_EQ(ReadBytes(m_dest), "");
}

// Cancels from another thread once the first chunk has been posted, as a window's thread would. The engine
// posts to that thread from the moment the constructor returns.
class Canceller {
public:
    explicit Canceller(CDownloadFile& engine)
        : m_ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_thread([&engine, this] { Run(engine); })
    {
        ::WaitForSingleObject(m_ready.Get(), INFINITE);
    }
    ~Canceller() { m_thread.join(); }

private:
    void Run(CDownloadFile& engine)
    {
        // A thread has a message queue only once it has used one.
        ::PeekMessageA(&m_msg, nullptr, 0, 0, PM_NOREMOVE);
        engine.SetNotify(::GetCurrentThreadId(), nullptr, kNotifyMsg);
        ::SetEvent(m_ready.Get());
        while (::GetMessageA(&m_msg, nullptr, 0, 0) > 0)
            if (m_msg.message == kNotifyMsg && LOWORD(m_msg.wParam) == DLP_RECEIVED) break;
        engine.Cancel();
    }
    MSG m_msg;
    KernelHandle m_ready;
    std::thread m_thread;
};

void StopAndResume(CDownloadFile& engine, const std::string& dripUrl, const std::string& resumeUrl,
                   const std::string& source, const std::string& dest)
{
    int result;
    {
        Canceller canceller(engine);
        result = engine.DownLoadFile(dripUrl.c_str(), dest.c_str());
    }
    std::string temp = dest + ".df!";
    EXPECT_NE(result, 0);
    EXPECT_FALSE(Exists(dest));
    std::string partial = ReadBytes(temp);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), source.size());
    EXPECT_EQ(partial, source.substr(0, partial.size()));

    engine.SetNotify(0, nullptr, kNotifyMsg);
    EXPECT_NE(engine.DownLoadFile(resumeUrl.c_str(), dest.c_str()), 0);
    EXPECT_EQ(ReadBytes(dest), source);
}

TEST_F(Stop, StoppedHttpTransferKeepsItsBytesAndTheNextCallResumes)
{
    LogTail log("fault-requests.log");
    StopAndResume(m_engine, FaultUrl("drip/small.bin?ms=10"), FaultUrl("file/small.bin"), Served("small.bin"),
                  m_dest);
    bool resumedWithRange = false;
    for (const std::string& line : log.NewLines())
        resumedWithRange |= line.find("GET /file/small.bin") != std::string::npos &&
                            line.find("[\"Range\", \"bytes=") != std::string::npos &&
                            line.find("[\"Range\", \"bytes=0-0\"]") == std::string::npos;
    EXPECT_TRUE(resumedWithRange);
}
