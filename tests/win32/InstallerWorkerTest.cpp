// InstallerWorker under injected failures and real faulty servers: the finish always arrives, failures are
// told, a cut transfer is resumed and retried within the run, and leaving ends a wait at once.
#include <thread>

#include <windows.h>
#include <wininet.h>

#include "CInternetException.h"
#include "DownloadTestSupport.h"
#include "FileSignature.h"
#include "InstallerGlobals.h"
#include "InstallerWorker.h"

using namespace dltest;

namespace {

const char kQueryFailed[] = "获取安装信息失败，请稍后再试！";
const char kDownloadFailed[] = "下载安装文件失败，请稍后再试！";

// The worker with each step that leaves the process scripted or watched.
class ScriptedWorker : public InstallerWorker {
public:
    using InstallerWorker::InstallerWorker;

    CString m_strAnswer;
    bool m_bFetchThrows = false;
    bool m_bRecordThrows = false;
    // Posts refused as a full queue refuses them, before the real post.
    int m_nFullQueuePosts = 0;
    int m_nPosts = 0;
    std::vector<std::string> m_failures;

protected:
    CString FetchAnswer(const CString&) override
    {
        // What a session that cannot be opened throws.
        if (m_bFetchThrows) AfxThrowInternetException(1, ERROR_INTERNET_CANNOT_CONNECT);
        return m_strAnswer;
    }
    void WriteRecord(const CString& strDataDir) override
    {
        if (m_bRecordThrows) throw new CFileException(CFileException::diskFull);
        InstallerWorker::WriteRecord(strDataDir);
    }
    void ShowFailure(const char* pszText) override { m_failures.push_back(pszText); }
    BOOL PostFinish(HWND hWnd) override
    {
        ++m_nPosts;
        if (m_nFullQueuePosts > 0) {
            --m_nFullQueuePosts;
            ::SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return FALSE;
        }
        return InstallerWorker::PostFinish(hWnd);
    }
};

class Worker : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        g_nVerType = 0;
        g_strFileSign.Empty();
        m_hWnd = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_hWnd);
    }
    void TearDown() override
    {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
        DownloadTest::TearDown();
    }

    static CString Answer(const std::string& url, const CString& sign)
    {
        CString answer;
        answer.Format("<?xml version=\"1.0\" encoding=\"gb2312\" ?>\r\n<qzvrsetup fileurl=\"%s\" filesign=\"%s\" />",
                      url.c_str(), static_cast<const char*>(sign));
        return answer;
    }
    static CString SignOf(const std::string& served) { return FileSignature((ServersDir() + "\\www\\" + served).c_str()); }
    std::string SetupPath() const { return m_dir + "\\qzvr_setup_0.exe"; }
    void Run(ScriptedWorker& worker) { worker.Run(m_dir.c_str(), m_hWnd); }
    // WM_SETUP_FINISH messages waiting for the window.
    int Finishes() const
    {
        int n = 0;
        MSG msg;
        while (::PeekMessageA(&msg, m_hWnd, WM_SETUP_FINISH, WM_SETUP_FINISH, PM_REMOVE)) ++n;
        return n;
    }
    // Requests for a path in the fault server's log lines, the redirect probes and size requests left out.
    static int Transfers(const std::vector<std::string>& lines, const std::string& path)
    {
        int n = 0;
        for (const std::string& line : lines)
            n += line.find("GET /" + path) != std::string::npos && line.find("bytes=0-0") == std::string::npos;
        return n;
    }

    HWND m_hWnd = nullptr;
};

}  // namespace

TEST_F(Worker, ASessionThatCannotOpenEndsWithTheQueryFailureAndTheFinish)
{
    ScriptedWorker worker(m_engine);
    worker.m_bFetchThrows = true;
    Run(worker);
    EXPECT_EQ(worker.m_failures, std::vector<std::string>{kQueryFailed});
    EXPECT_EQ(Finishes(), 1);
    EXPECT_FALSE(worker.m_bLaunch);
}

TEST_F(Worker, ARecordThatCannotBeWrittenEndsWithTheDownloadFailureAndTheFinish)
{
    ScriptedWorker worker(m_engine);
    worker.m_strAnswer = Answer(FaultUrl("file/small.bin"), SignOf("small.bin"));
    worker.m_bRecordThrows = true;
    Run(worker);
    EXPECT_EQ(worker.m_failures, std::vector<std::string>{kDownloadFailed});
    EXPECT_EQ(Finishes(), 1);
    EXPECT_FALSE(worker.m_bLaunch);
    EXPECT_FALSE(Exists(SetupPath()));
}

TEST_F(Worker, AFinishRefusedByAFullQueueIsPostedAgainWhileTheWindowLives)
{
    ScriptedWorker worker(m_engine);
    worker.m_nFullQueuePosts = 3;
    Run(worker);
    EXPECT_EQ(worker.m_nPosts, 4);
    EXPECT_EQ(Finishes(), 1);

    // Once the window is gone nobody drains the queue: the worker gives up at once.
    ::DestroyWindow(m_hWnd);
    ScriptedWorker orphan(m_engine);
    orphan.m_nFullQueuePosts = 1000;
    orphan.Run(m_dir.c_str(), m_hWnd);
    m_hWnd = nullptr;
    EXPECT_EQ(orphan.m_nPosts, 1);
}

TEST_F(Worker, AConnectionCutTwiceEndsWithTheExactFileAndALaunchInOneRun)
{
    const std::string path = "flaky/small.bin?cuts=2&cut=20000&key=" + std::to_string(::GetTickCount());
    LogTail log("fault-requests.log");
    ScriptedWorker worker(m_engine);
    worker.m_strAnswer = Answer(FaultUrl(path), SignOf("small.bin"));
    Run(worker);
    EXPECT_TRUE(worker.m_failures.empty());
    EXPECT_EQ(Finishes(), 1);
    EXPECT_TRUE(worker.m_bLaunch);
    EXPECT_EQ(ReadBytes(SetupPath()), Served("small.bin"));
    EXPECT_FALSE(Exists(SetupPath() + ".df!"));
    const std::vector<std::string> lines = log.NewLines();
    EXPECT_EQ(Transfers(lines, "flaky/"), 3);
    // The second and third attempts resume where the one before stopped.
    int resumed = 0;
    for (const std::string& line : lines) resumed += line.find("\"Range\", \"bytes=") != std::string::npos &&
                                                      line.find("bytes=0-0") == std::string::npos;
    EXPECT_EQ(resumed, 2);
}

TEST_F(Worker, ARefusalIsNotRetriedAndTheUserIsTold)
{
    LogTail log("fault-requests.log");
    ScriptedWorker worker(m_engine);
    worker.m_strAnswer = Answer(FaultUrl("file/missing.bin"), "0123456789abcdef0123456789abcdef");
    Run(worker);
    EXPECT_EQ(Transfers(log.NewLines(), "file/missing.bin"), 1);
    EXPECT_EQ(worker.m_failures, std::vector<std::string>{kDownloadFailed});
    EXPECT_EQ(Finishes(), 1);
    EXPECT_FALSE(worker.m_bLaunch);
}

// Requests for the rest of the file from an offset ("bytes=N-"), and from byte 0 (no range at all).
int Ranged(const std::vector<std::string>& lines, const std::string& path)
{
    int n = 0;
    for (const std::string& line : lines)
        n += line.find("GET /" + path) != std::string::npos && line.find("\"Range\", \"bytes=") != std::string::npos &&
             line.find("bytes=0-0") == std::string::npos;
    return n;
}

TEST_F(Worker, AFileThatDoesNotMatchTheAnswerIsNotLaunchedAndTheUserIsTold)
{
    LogTail log("fault-requests.log");
    ScriptedWorker worker(m_engine);
    worker.m_strAnswer = Answer(FaultUrl("file/small.bin"), SignOf("other.bin"));
    Run(worker);
    EXPECT_EQ(worker.m_failures, std::vector<std::string>{kDownloadFailed});
    EXPECT_EQ(Finishes(), 1);
    EXPECT_FALSE(worker.m_bLaunch);
    // It came from byte 0: asking again would bring the same bytes.
    EXPECT_EQ(Transfers(log.NewLines(), "file/small.bin"), 1);
}

// The partial file of an earlier run holds bytes of another build under the same name and record.
TEST_F(Worker, AResumeOntoAnotherBuildIsDownloadedOnceMoreFromByteZeroAndLaunched)
{
    const CString sign = SignOf("small.bin");
    g_strFileSign = sign;
    WriteBytes(SetupPath() + ".df!", Served("other.bin").substr(0, 30000));
    LogTail log("fault-requests.log");
    ScriptedWorker worker(m_engine);
    worker.m_strAnswer = Answer(FaultUrl("file/small.bin"), sign);
    Run(worker);
    EXPECT_TRUE(worker.m_failures.empty());
    EXPECT_TRUE(worker.m_bLaunch);
    EXPECT_EQ(ReadBytes(SetupPath()), Served("small.bin"));
    EXPECT_FALSE(Exists(SetupPath() + ".df!"));
    const std::vector<std::string> lines = log.NewLines();
    EXPECT_EQ(Transfers(lines, "file/small.bin"), 2);
    EXPECT_EQ(Ranged(lines, "file/small.bin"), 1);
    bool resumedAt30000 = false;
    for (const std::string& line : lines) resumedAt30000 = resumedAt30000 || line.find("bytes=30000-") != std::string::npos;
    EXPECT_TRUE(resumedAt30000);
}

// A signature the server's file does not have: the fresh start does not match either, and is the last.
TEST_F(Worker, AResumeThatStillDoesNotMatchFromByteZeroIsToldAfterOneFreshStart)
{
    const CString sign = SignOf("other.bin");
    g_strFileSign = sign;
    WriteBytes(SetupPath() + ".df!", Served("small.bin").substr(0, 30000));
    LogTail log("fault-requests.log");
    ScriptedWorker worker(m_engine);
    worker.m_strAnswer = Answer(FaultUrl("file/small.bin"), sign);
    Run(worker);
    EXPECT_EQ(worker.m_failures, std::vector<std::string>{kDownloadFailed});
    EXPECT_FALSE(worker.m_bLaunch);
    EXPECT_EQ(ReadBytes(SetupPath()), Served("small.bin"));
    const std::vector<std::string> lines = log.NewLines();
    EXPECT_EQ(Transfers(lines, "file/small.bin"), 2);
    EXPECT_EQ(Ranged(lines, "file/small.bin"), 1);
}

TEST_F(Worker, LeavingEndsTheWaitForTheNextAttemptAtOnceAndSilently)
{
    ScriptedWorker worker(m_engine);
    // Nothing listens on port 1: every attempt fails at once, and a retry would follow after 2 s.
    worker.m_strAnswer = Answer("http://127.0.0.1:1/setup.exe", "0123456789abcdef0123456789abcdef");
    m_engine.SetNotify(::GetCurrentThreadId(), nullptr, kNotifyMsg);
    std::thread run([&] { Run(worker); });
    // The first attempt has begun when its DLP_START arrives.
    MSG msg;
    ASSERT_GT(::GetMessageA(&msg, reinterpret_cast<HWND>(-1), kNotifyMsg, kNotifyMsg), 0);
    EXPECT_EQ(LOWORD(msg.wParam), DLP_START);
    const DWORD left = ::GetTickCount();
    worker.Leave();
    run.join();
    EXPECT_LT(::GetTickCount() - left, 1500u);
    m_engine.SetNotify(0, nullptr, 0);
    EXPECT_TRUE(DrainThreadMessages(nullptr).empty()) << "a second attempt began";
    EXPECT_TRUE(worker.m_failures.empty());
    EXPECT_EQ(Finishes(), 1);
}
