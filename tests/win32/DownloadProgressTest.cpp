// Progress protocol: codes and values, the id in lParam for DLP_START and in the high word afterwards, targets.
#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class Progress : public DownloadTest {};

HWND MessageWindow()
{
    return ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace

TEST_F(Progress, FreshDownloadPostsStartTotalThenReceivedAndSpeedPerChunk)
{
    const std::string source = Served("small.bin");
    ASSERT_NE(Download(NginxUrl("small.bin")), 0);
    ASSERT_GE(m_notes.size(), 3u);

    EXPECT_EQ(m_notes[0].wParam, static_cast<WPARAM>(DLP_START));
    const LPARAM id = m_notes[0].lParam;
    EXPECT_EQ(m_notes[1].wParam, static_cast<WPARAM>((id << 16) | DLP_TOTAL));
    EXPECT_EQ(static_cast<size_t>(m_notes[1].lParam), source.size());
    EXPECT_TRUE(Of(DLP_RESUMED).empty());

    // After DLP_TOTAL: DLP_RECEIVED and DLP_SPEED in pairs, one pair per chunk of at most 512 bytes.
    size_t chunks = (m_notes.size() - 2) / 2;
    ASSERT_EQ(m_notes.size(), 2 + 2 * chunks);
    ASSERT_GE(chunks, (source.size() + 511) / 512);
    LPARAM previous = 0;
    for (size_t i = 0; i < chunks; ++i) {
        const Notification& received = m_notes[2 + 2 * i];
        const Notification& speed = m_notes[3 + 2 * i];
        EXPECT_EQ(received.wParam, static_cast<WPARAM>((id << 16) | DLP_RECEIVED));
        EXPECT_EQ(speed.wParam, static_cast<WPARAM>((id << 16) | DLP_SPEED));
        EXPECT_GT(received.lParam, previous);
        EXPECT_LE(received.lParam - previous, 512);
        // Within the first second the speed is the kilobytes received so far.
        EXPECT_LE(speed.lParam, received.lParam / 1024);
        previous = received.lParam;
    }
    EXPECT_EQ(static_cast<size_t>(previous), source.size());
    EXPECT_GT(m_notes.back().lParam, 0);
    EXPECT_EQ(static_cast<DWORD>(m_notes.back().lParam), static_cast<DWORD>(m_engine.m_fSpeedKBps));
    EXPECT_EQ(m_engine.m_wDownloadId, 0);
}

TEST_F(Progress, EveryCallDrawsItsIdAfresh)
{
    ASSERT_NE(Download(NginxUrl("d/setup.exe")), 0);
    ASSERT_FALSE(m_notes.empty());
    EXPECT_EQ(m_engine.m_wDownloadId, 0);
    const LPARAM first = m_notes[0].lParam;
    for (size_t i = 1; i < m_notes.size(); ++i) EXPECT_EQ(static_cast<LPARAM>(m_notes[i].Id()), first);

    // The id is drawn from a generator seeded by the tick count; a later tick gives another sequence.
    ::Sleep(50);
    ::DeleteFileA(m_dest.c_str());
    ASSERT_NE(Download(NginxUrl("d/setup.exe")), 0);
    EXPECT_EQ(m_engine.m_wDownloadId, 0);
    EXPECT_NE(m_notes[0].lParam, first);
    EXPECT_EQ(static_cast<LPARAM>(m_notes.back().Id()), m_notes[0].lParam);
}

TEST_F(Progress, WindowAndThreadTargetsEachGetEveryNotification)
{
    HWND hWnd = MessageWindow();
    ASSERT_TRUE(hWnd);
    m_engine.SetNotify(::GetCurrentThreadId(), hWnd, kNotifyMsg);
    ASSERT_NE(m_engine.DownLoadFile(NginxUrl("d/setup.exe").c_str(), m_dest.c_str()), 0);
    std::vector<Notification> toWindow = DrainThreadMessages(hWnd);
    std::vector<Notification> toThread = DrainThreadMessages(reinterpret_cast<HWND>(-1));
    ::DestroyWindow(hWnd);
    ASSERT_FALSE(toWindow.empty());
    ASSERT_EQ(toWindow.size(), toThread.size());
    for (size_t i = 0; i < toWindow.size(); ++i) {
        EXPECT_EQ(toWindow[i].wParam, toThread[i].wParam);
        EXPECT_EQ(toWindow[i].lParam, toThread[i].lParam);
    }
    EXPECT_EQ(toWindow.back().Code(), DLP_SPEED);
}

TEST_F(Progress, WithoutATargetNothingIsPostedAndTheDownloadStillProceeds)
{
    m_engine.SetNotify(0, nullptr, kNotifyMsg);
    ASSERT_NE(m_engine.DownLoadFile(NginxUrl("d/setup.exe").c_str(), m_dest.c_str()), 0);
    EXPECT_TRUE(DrainThreadMessages(nullptr).empty());
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
}

TEST_F(Progress, HttpsFailsAfterStart)
{
    EXPECT_EQ(Download("https://127.0.0.1:1/setup.exe"), 0);
    ASSERT_EQ(m_notes.size(), 1u);
    EXPECT_EQ(m_notes[0].Code(), DLP_START);
    EXPECT_FALSE(Exists(m_dest));
}

TEST_F(Progress, NotAUrlDoesNothing)
{
    EXPECT_EQ(Download("C:\\setup.exe"), 0);
    EXPECT_TRUE(m_notes.empty());
    EXPECT_FALSE(Exists(Temp()));
}
