// Progress protocol: codes and values, the id in lParam for DLP_START and in the high word afterwards, targets.
#include <cstdio>

#include "DownloadTestSupport.h"

using namespace dltest;

namespace {

class Progress : public DownloadTest {};

HWND MessageWindow()
{
    return ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Checks the shape of a download's notifications: DLP_START, DLP_TOTAL, then DLP_RECEIVED and DLP_SPEED in
// pairs with growing amounts, the last pair carrying the final values. Returns the number of pairs.
size_t CheckPairs(const std::vector<Notification>& notes, size_t size, float finalSpeed)
{
    EXPECT_GE(notes.size(), 4u);
    if (notes.size() < 4) return 0;
    EXPECT_EQ(notes[0].wParam, static_cast<WPARAM>(DLP_START));
    const LPARAM id = notes[0].lParam;
    EXPECT_EQ(notes[1].wParam, static_cast<WPARAM>((id << 16) | DLP_TOTAL));
    EXPECT_EQ(static_cast<size_t>(notes[1].lParam), size);
    const size_t pairs = (notes.size() - 2) / 2;
    EXPECT_EQ(notes.size(), 2 + 2 * pairs);
    LPARAM previous = 0;
    for (size_t i = 0; i < pairs; ++i) {
        const Notification& received = notes[2 + 2 * i];
        const Notification& speed = notes[3 + 2 * i];
        EXPECT_EQ(received.wParam, static_cast<WPARAM>((id << 16) | DLP_RECEIVED));
        EXPECT_EQ(speed.wParam, static_cast<WPARAM>((id << 16) | DLP_SPEED));
        EXPECT_GE(received.lParam, previous);
        previous = received.lParam;
    }
    EXPECT_EQ(static_cast<size_t>(previous), size);
    EXPECT_EQ(static_cast<DWORD>(notes.back().lParam), static_cast<DWORD>(finalSpeed));
    return pairs;
}

}  // namespace

TEST_F(Progress, PostsTheFirstChunkThenOncePer50msAndTheFinalValues)
{
    const std::string source = Served("small.bin");
    // The clock is read when the body begins, after every chunk and for the final post; 10 ms pass between
    // two reads, so every fifth chunk is posted.
    DWORD reads = 0;
    m_engine.m_clock = [&reads] { return 1000 + 10 * reads++; };
    ASSERT_NE(Download(NginxUrl("small.bin")), 0);
    const size_t chunks = reads - 2;
    EXPECT_GE(chunks, (source.size() + 511) / 512);
    const size_t pairs = CheckPairs(m_notes, source.size(), m_engine.m_fSpeedKBps);
    EXPECT_GE(pairs, chunks / 5);
    EXPECT_LE(pairs, chunks / 5 + 2);
    EXPECT_EQ(ReadBytes(m_dest), source);
    // The average over the whole seconds between the first read and the last.
    const DWORD seconds = (reads - 1) * 10 / 1000;
    ASSERT_GT(seconds, 0u);
    EXPECT_NEAR(m_engine.m_fSpeedKBps, source.size() / 1024.0 / seconds, 0.01);
    EXPECT_EQ(m_engine.m_wDownloadId, 0);
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Complete);
}

TEST_F(Progress, HoweverFastTheLinkOnlyTheFirstChunkAndTheEndArePosted)
{
    // A clock that never moves stands for a link faster than any interval.
    m_engine.m_clock = [] { return DWORD(5000); };
    ASSERT_NE(Download(NginxUrl("small.bin")), 0);
    EXPECT_EQ(CheckPairs(m_notes, Served("small.bin").size(), m_engine.m_fSpeedKBps), 2u);
    EXPECT_GT(m_notes[2].lParam, 0);
    EXPECT_LE(m_notes[2].lParam, 512);
    // Within the first second the speed is the kilobytes received.
    EXPECT_EQ(m_notes.back().lParam, static_cast<LPARAM>(Served("small.bin").size() / 1024));
}

TEST_F(Progress, AStopPostsTheBytesWrittenSoFar)
{
    const std::string source = Served("small.bin");
    int reads = 0;
    m_engine.m_clock = [this, &reads] {
        if (++reads == 21) m_engine.Cancel();
        return DWORD(0);
    };
    EXPECT_NE(Download(NginxUrl("small.bin")), 0);
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Stopped);
    const std::string partial = ReadBytes(Temp());
    EXPECT_GE(partial.size(), 20u);
    EXPECT_LE(partial.size(), 20u * 512);
    EXPECT_EQ(partial, source.substr(0, partial.size()));
    ASSERT_EQ(Of(DLP_RECEIVED).size(), 2u);
    EXPECT_EQ(static_cast<size_t>(Of(DLP_RECEIVED).back().lParam), partial.size());
    EXPECT_FALSE(Exists(m_dest));
}

TEST_F(Progress, AWindowTakingA16MiBTransferGetsAPairPer50msAtMost)
{
    const std::string name = "progress-16m.bin";
    const std::string path = ServersDir() + "\\www\\" + name;
    std::string bytes(16 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 2654435761u >> 24);
    WriteBytes(path, bytes);
    HWND hWnd = MessageWindow();
    ASSERT_TRUE(hWnd);
    m_engine.SetNotify(0, hWnd, kNotifyMsg);
    const DWORD started = ::GetTickCount();
    const int result = m_engine.DownLoadFile(FaultUrl("file/" + name).c_str(), m_dest.c_str());
    const DWORD elapsed = ::GetTickCount() - started;
    std::vector<Notification> notes = DrainThreadMessages(hWnd);
    ::DestroyWindow(hWnd);
    ::DeleteFileA(path.c_str());
    ASSERT_NE(result, 0);
    EXPECT_EQ(ReadBytes(m_dest), bytes);
    const size_t pairs = CheckPairs(notes, bytes.size(), m_engine.m_fSpeedKBps);
    // One pair for the first chunk, one per 50 ms after it, one with the final values.
    EXPECT_LE(pairs, elapsed / 50 + 2) << elapsed << " ms";
    std::printf("16 MiB from the fault server in %lu ms: %u notifications\n", static_cast<unsigned long>(elapsed),
                static_cast<unsigned>(notes.size()));
}

TEST_F(Progress, EveryCallDrawsItsIdAfresh)
{
    ASSERT_NE(Download(NginxUrl("d/setup.exe")), 0);
    ASSERT_FALSE(m_notes.empty());
    EXPECT_EQ(m_engine.m_wDownloadId, 0);
    const LPARAM first = m_notes[0].lParam;
    for (size_t i = 1; i < m_notes.size(); ++i) EXPECT_EQ(static_cast<LPARAM>(m_notes[i].Id()), first);

    // The id is drawn from a generator seeded by the tick count; a later tick gives another sequence. The
    // first call seeded it at or before this tick.
    const DWORD seeded = ::GetTickCount();
    while (::GetTickCount() == seeded) ::Sleep(1);
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

TEST_F(Progress, HttpsPostsAsHttpDoesAndACertificateFaultOnlyTheStart)
{
    const std::string source = Served("small.bin");
    ASSERT_NE(Download(TlsUrl("small.bin")), 0);
    EXPECT_GE(CheckPairs(m_notes, source.size(), m_engine.m_fSpeedKBps), 1u);

    ::DeleteFileA(m_dest.c_str());
    EXPECT_EQ(Download(TlsUrl("small.bin", "CORVANE_DL_TLS_EXPIRED_PORT")), 0);
    ASSERT_EQ(m_notes.size(), 1u);
    EXPECT_EQ(m_notes[0].Code(), DLP_START);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed);
}

TEST_F(Progress, NotAUrlDoesNothing)
{
    EXPECT_EQ(Download("C:\\setup.exe"), 0);
    EXPECT_TRUE(m_notes.empty());
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Refused);
    EXPECT_FALSE(Exists(Temp()));
}
