// Sizes and failures: what is left on disk and returned when the server, the network or the disk lets us down.
#include <thread>

#include "DownloadTestSupport.h"

using namespace dltest;

namespace {
class Sizes : public DownloadTest {};
class Failure : public DownloadTest {};
}  // namespace

TEST_F(Sizes, AnAnswerThatTellsNoLengthIsCompleteWhenItEndsWithoutAnError)
{
    const std::string source = Served("small.bin");
    // No Content-Length and the connection closed at the end, or a chunked answer: nobody tells the length,
    // so the body that ended cleanly is the file; the total is posted once it is known.
    for (const char* fault : {"nolength/small.bin", "chunked/small.bin"}) {
        EXPECT_EQ(Download(FaultUrl(fault)), 1) << fault;
        EXPECT_EQ(ReadBytes(m_dest), source) << fault;
        EXPECT_EQ(m_engine.m_dwTotalSize, source.size()) << fault;
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Complete) << fault;
        ASSERT_EQ(Of(DLP_TOTAL).size(), 1u) << fault;
        EXPECT_EQ(static_cast<size_t>(Of(DLP_TOTAL)[0].lParam), source.size()) << fault;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Sizes, APartialFileIsRewrittenByAWholeAnswerWithoutALength)
{
    WriteBytes(Temp(), std::string(3000, 'x'));
    EXPECT_EQ(Download(FaultUrl("nolength/small.bin")), 1);
    EXPECT_EQ(ReadBytes(m_dest), Served("small.bin"));
}

TEST_F(Sizes, AFailingSizeRequestLeavesTheLengthToTheTransfersAnswer)
{
    const std::string source = Served("small.bin");
    // Fresh: the 200's Content-Length; resumed: the 206's Content-Range.
    EXPECT_EQ(Download(FaultUrl("nosize/small.bin")), 1);
    EXPECT_EQ(ReadBytes(m_dest), source);
    ::DeleteFileA(m_dest.c_str());
    WriteBytes(Temp(), source.substr(0, 40000));
    EXPECT_EQ(Download(FaultUrl("nosize/small.bin")), 1);
    EXPECT_EQ(m_engine.m_dwStatusCode, 206u);
    EXPECT_EQ(ReadBytes(m_dest), source);
    EXPECT_EQ(static_cast<size_t>(Of(DLP_TOTAL).at(0).lParam), source.size());
}

TEST_F(Sizes, ContentLengthAboveTheBodyLeavesTheTemporaryFile)
{
    EXPECT_NE(Download(FaultUrl("wronglength/small.bin")), 0);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(m_engine.m_dwTotalSize, Served("small.bin").size() + 1000);
    EXPECT_EQ(ReadBytes(Temp()), Served("small.bin"));
    // Bytes arrived but not all of them: asking again may bring the rest.
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed);
}

TEST_F(Sizes, TheSizeRequestTakesTheLengthFromARangedOrAWholeAnswer)
{
    const DWORD size = static_cast<DWORD>(Served("small.bin").size());
    // nginx and the fault server answer the first byte with the length in Content-Range.
    EXPECT_EQ(m_engine.QueryContentLength(NginxUrl("small.bin").c_str()), size);
    EXPECT_EQ(m_engine.QueryContentLength(FaultUrl("file/small.bin").c_str()), size);
    // A server that ignores the range sends the whole file with its Content-Length.
    EXPECT_EQ(m_engine.QueryContentLength(FaultUrl("ignore-range/small.bin").c_str()), size);
    EXPECT_EQ(m_engine.m_dwTotalSize, size);
    // An empty file cannot give a first byte (416, "bytes */0"); a missing one has no length.
    EXPECT_EQ(m_engine.QueryContentLength(NginxUrl("empty.bin").c_str()), 0u);
    EXPECT_EQ(m_engine.QueryContentLength(NginxUrl("missing.bin").c_str()), 0u);
}

TEST_F(Failure, NotFoundCreatesNoDestination)
{
    EXPECT_EQ(Download(NginxUrl("missing.bin")), 0);
    EXPECT_EQ(m_engine.m_dwStatusCode, 404u);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(ReadBytes(Temp()), "");
    EXPECT_NE(m_engine.m_strRawHeaders.Find("404"), -1);
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Refused);
}

TEST_F(Failure, ServerErrorsMayPassButClientErrorsStay)
{
    for (int code : {500, 503, 408, 429}) {
        EXPECT_EQ(Download(FaultUrl("status/small.bin?code=" + std::to_string(code))), 0) << code;
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed) << code;
    }
    for (int code : {400, 403, 410}) {
        EXPECT_EQ(Download(FaultUrl("status/small.bin?code=" + std::to_string(code))), 0) << code;
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Refused) << code;
    }
    EXPECT_FALSE(Exists(m_dest));
}

TEST_F(Failure, UnauthorisedWithoutCredentialsFails)
{
    // The probe's 401 opens the platform's log-in dialog; a watcher dismisses it as a user would.
    bool dismissed = false;
    std::thread watcher([&dismissed] {
        for (int i = 0; i < 200; ++i) {
            HWND hDlg = ::FindWindowA("#32770", nullptr);
            DWORD pid = 0;
            if (hDlg) ::GetWindowThreadProcessId(hDlg, &pid);
            if (hDlg && pid == ::GetCurrentProcessId()) {
                ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
                dismissed = true;
                return;
            }
            ::Sleep(50);
        }
    });
    int result = Download(NginxUrl("auth/secret.bin"));
    watcher.join();
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(m_engine.m_dwStatusCode, 401u);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Refused);
}

TEST_F(Failure, ConnectionClosedOrResetMidBodyKeepsThePrefixForTheNextCall)
{
    const std::string source = Served("small.bin");
    // Windows' WinInet reports a reset as an error (result 0); Wine's reads it as the end of the data, like an
    // early close (result 1). Either way the short temporary file must stay and must not be moved.
    for (const char* fault : {"short/small.bin?cut=30000", "reset/small.bin?cut=30000"}) {
        Download(FaultUrl(fault));
        EXPECT_FALSE(Exists(m_dest)) << fault;
        std::string partial = ReadBytes(Temp());
        EXPECT_LE(partial.size(), 30000u) << fault;
        EXPECT_EQ(partial, source.substr(0, partial.size())) << fault;
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed) << fault;
        // However the read ended, the last progress posted counts the bytes written (a reset may throw away
        // every byte before the first read, and then nothing was written or posted).
        if (!partial.empty()) {
            ASSERT_FALSE(Of(DLP_RECEIVED).empty()) << fault;
            EXPECT_EQ(static_cast<size_t>(Of(DLP_RECEIVED).back().lParam), partial.size()) << fault;
        }

        EXPECT_NE(Download(FaultUrl("file/small.bin")), 0) << fault;
        EXPECT_EQ(ReadBytes(m_dest), source) << fault;
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Complete) << fault;
        ::DeleteFileA(m_dest.c_str());
    }
}

TEST_F(Failure, RefusedConnectionFailsWithNothingButTheEmptyTemporaryFile)
{
    EXPECT_EQ(Download("http://127.0.0.1:1/setup.exe"), 0);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(ReadBytes(Temp()), "");
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Failed);
}

TEST_F(Failure, TemporaryFileThatCannotBeCreatedFailsEveryTransport)
{
    m_dest = m_dir + "\\no such folder\\setup.exe";
    for (const std::string& url : {NginxUrl("small.bin"), FtpUrl("small.bin")}) {
        EXPECT_EQ(Download(url), 0) << url;
        ASSERT_EQ(m_notes.size(), 1u) << url;
        EXPECT_EQ(m_notes[0].Code(), DLP_START);
        EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Unwritable) << url;
    }
}

TEST_F(Failure, FtpMissingFileAndWrongPasswordFail)
{
    EXPECT_EQ(Download(FtpUrl("missing.bin")), 0);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Refused);
    EXPECT_EQ(Download(FtpUrl("small.bin", "corvane:wrong")), 0);
    EXPECT_FALSE(Exists(m_dest));
    EXPECT_EQ(m_engine.m_outcome, DownloadOutcome::Refused);
}

TEST_F(Failure, FtpLogsInWithTheUrlsUserOrAnonymously)
{
    LogTail log("ftp-commands.log");
    EXPECT_NE(Download(FtpUrl("small.bin", "corvane:s3cret")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("small.bin"));
    ::DeleteFileA(m_dest.c_str());
    EXPECT_NE(Download(FtpUrl("d/setup.exe")), 0);
    EXPECT_EQ(ReadBytes(m_dest), Served("d/setup.exe"));
    std::vector<std::string> users;
    for (const std::string& line : log.NewLines())
        if (line.compare(0, 10, "rest USER ") == 0) users.push_back(line.substr(10));
    EXPECT_EQ(users, (std::vector<std::string>{"corvane", "anonymous"}));
}
