// The framework's file and internet classes the engine stands on, against real files and servers.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "CInternetSession.h"
#include "CStdioFile.h"
#include "DownloadTestSupport.h"
#include "ReadAheadPace.h"

using namespace dltest;

namespace {
class FileClasses : public DownloadTest {};
class InternetClasses : public DownloadTest {};
}  // namespace

TEST_F(FileClasses, OpenModesCreateTruncateOrKeep)
{
    CFileException error;
    CFile file;
    EXPECT_FALSE(file.Open(m_dest.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ERROR_FILE_NOT_FOUND);

    WriteBytes(m_dest, "0123456789");
    ASSERT_TRUE(file.Open(m_dest.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.SeekToEnd(), 10u);
    file.Write("ab", 2);
    file.Seek(3, CFile::begin);
    char buf[8] = {};
    EXPECT_EQ(file.Read(buf, 4), 4u);
    EXPECT_STREQ(buf, "3456");
    file.SetLength(5);
    EXPECT_EQ(file.GetLength(), 5u);
    EXPECT_EQ(file.GetPosition(), 5u);
    EXPECT_EQ(file.Read(buf, 4), 0u);
    file.Close();
    EXPECT_EQ(ReadBytes(m_dest), "01234");

    ASSERT_TRUE(file.Open(m_dest.c_str(), CFile::modeCreate | CFile::modeWrite));
    file.Close();
    EXPECT_EQ(ReadBytes(m_dest), "");
}

TEST_F(FileClasses, FailuresThrowFileExceptionsWithText)
{
    try {
        CFile file(m_dest.c_str(), CFile::modeRead);
        FAIL() << "opened a missing file";
    } catch (CFileException* e) {
        char text[256] = {};
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
        EXPECT_NE(std::string(text).find("setup.exe"), std::string::npos) << text;
        // A short buffer takes the text's beginning, terminated.
        char shortText[8];
        std::memset(shortText, '#', sizeof shortText);
        EXPECT_TRUE(e->GetErrorMessage(shortText, sizeof shortText));
        EXPECT_EQ(std::string(text, 7), std::string(shortText)) << text;
        e->Delete();
    }
    WriteBytes(m_dest, "x");
    CFile readOnly(m_dest.c_str(), CFile::modeRead);
    try {
        readOnly.Write("y", 1);
        FAIL() << "wrote to a read-only handle";
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::accessDenied);
        e->Delete();
    }
}

TEST_F(FileClasses, StdioFileWritesLineEndsAsCrLfInTextModeOnly)
{
    CStdioFile text;
    ASSERT_TRUE(text.Open(m_dest.c_str(), CFile::modeCreate | CFile::modeWrite));
    text.WriteString("a\nb\n\nc");
    text.Close();
    EXPECT_EQ(ReadBytes(m_dest), "a\r\nb\r\n\r\nc");

    CStdioFile binary(m_dest.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    binary.WriteString("a\nb");
    binary.Close();
    EXPECT_EQ(ReadBytes(m_dest), "a\nb");
}

TEST_F(InternetClasses, FtpCommandJudgesByTheServersReply)
{
    CInternetSession session("ftp test");
    std::unique_ptr<CFtpConnection> rest(session.GetFtpConnection("127.0.0.1", nullptr, nullptr,
                                                                  static_cast<INTERNET_PORT>(Port("CORVANE_DL_FTP_PORT")), TRUE));
    CString reply;
    // This server, like others, resumes only in binary type.
    EXPECT_FALSE(rest->Command("REST 100"));
    EXPECT_EQ(rest->GetLastReply(reply), 501u);
    EXPECT_TRUE(rest->Command("TYPE I"));
    EXPECT_TRUE(rest->Command("REST 100"));
    EXPECT_EQ(rest->GetLastReply(reply), 350u) << static_cast<const char*>(reply);
    EXPECT_FALSE(rest->Command("NOSUCHCOMMAND"));
    EXPECT_GE(rest->GetLastReply(reply), 500u);

    std::unique_ptr<CFtpConnection> norest(session.GetFtpConnection(
        "127.0.0.1", "corvane", "s3cret", static_cast<INTERNET_PORT>(Port("CORVANE_DL_FTP_NOREST_PORT")), TRUE));
    EXPECT_TRUE(norest->Command("TYPE I"));
    EXPECT_FALSE(norest->Command("REST 100"));
    EXPECT_EQ(norest->GetLastReply(reply), 502u);
}

TEST_F(InternetClasses, FtpSizeComesFromTheSizeCommand)
{
    CInternetSession session("ftp test");
    std::unique_ptr<CFtpConnection> ftp(session.GetFtpConnection("127.0.0.1", nullptr, nullptr,
                                                                 static_cast<INTERNET_PORT>(Port("CORVANE_DL_FTP_PORT")), TRUE));
    DWORD size = 0;
    EXPECT_TRUE(ftp->GetFileSize("/small.bin", size));
    EXPECT_EQ(size, Served("small.bin").size());
    EXPECT_TRUE(ftp->GetFileSize("/empty.bin", size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(ftp->GetFileSize("/missing.bin", size));

    std::unique_ptr<CInternetFile> file(ftp->OpenFile("/d/setup.exe"));
    std::string bytes;
    char buf[4096];
    for (UINT n; (n = file->Read(buf, sizeof buf)) > 0;) bytes.append(buf, n);
    EXPECT_EQ(bytes, Served("d/setup.exe"));
}

TEST_F(InternetClasses, BufferedReadsNeverExceedTheRequestAndLoseNothing)
{
    CInternetSession session("read test");
    std::unique_ptr<CInternetFile> file(session.OpenURL(NginxUrl("small.bin").c_str(), 1, INTERNET_FLAG_RELOAD));
    ASSERT_NE(dynamic_cast<CHttpFile*>(file.get()), nullptr);
    std::string bytes;
    char buf[512];
    EXPECT_EQ(file->Read(buf, 100), 100u);
    bytes.append(buf, 100);
    // The size is fixed once reading has begun and the buffer holds nothing.
    EXPECT_TRUE(file->SetReadBufferSize(16 * 1024));
    EXPECT_EQ(file->Read(buf, 7), 7u);
    bytes.append(buf, 7);
    EXPECT_FALSE(file->SetReadBufferSize(1024));
    for (UINT n; (n = file->Read(buf, 333)) > 0;) {
        ASSERT_LE(n, 333u);
        bytes.append(buf, n);
    }
    EXPECT_EQ(bytes, Served("small.bin"));
}

TEST_F(InternetClasses, BufferedReadGivesWhatHasArrivedWithoutWaitingToFillTheBuffer)
{
    // The server sends 512 bytes, then nothing for a minute: a read that waited for a full buffer would stall.
    CInternetSession session("read test");
    std::unique_ptr<CInternetFile> file(session.OpenURL(FaultUrl("drip/small.bin?ms=60000").c_str(), 1,
                                                        INTERNET_FLAG_RELOAD));
    ASSERT_TRUE(file->SetReadBufferSize(64 * 1024));
    char buf[512];
    ASSERT_EQ(file->Read(buf, sizeof buf), 512u);
    EXPECT_EQ(std::string(buf, 512), Served("small.bin").substr(0, 512));
}

TEST_F(InternetClasses, BufferedReadWaitsForWholeBuffersOnlyWhileTheLinkIsFast)
{
    // 16 MiB at once, then 512 bytes every 5 ms. Each Read of a whole buffer returns exactly one fill.
    const size_t kBuffer = 64 * 1024, kFast = 16 << 20, kSlow = 96 * 1024;
    std::string source(kFast + kSlow, '\0');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string path = ServersDir() + "\\www\\paced.bin";
    WriteBytes(path, source);
    CInternetSession session("read test");
    std::unique_ptr<CInternetFile> file(session.OpenURL(
        FaultUrl("drip/paced.bin?ms=5&fast=" + std::to_string(kFast)).c_str(), 1, INTERNET_FLAG_RELOAD));
    ASSERT_TRUE(file->SetReadBufferSize(static_cast<UINT>(kBuffer)));
    std::string bytes(kBuffer, '\0'), got;
    int wholeWhileFast = 0, wholeWhileSlow = 0;
    DWORD firstFill = 0, fastEnd = 0;
    for (UINT n; (n = file->Read(&bytes[0], static_cast<UINT>(kBuffer))) > 0;) {
        got.append(bytes, 0, n);
        if (got.size() == n) firstFill = ::GetTickCount();
        if (got.size() <= kFast) fastEnd = ::GetTickCount();
        // A fill that began in the fast part is counted with it, even where it ends in the slow one.
        if (n == kBuffer) ++(got.size() - n < kFast ? wholeWhileFast : wholeWhileSlow);
    }
    ::DeleteFileA(path.c_str());
    EXPECT_TRUE(got == source) << got.size();
    // Where this machine takes the fast part well above the pace that calls for whole buffers, some of it came in
    // whole buffers rather than in the library's own smaller pieces. Once the link has slowed, one fill at most
    // waits for a whole buffer, and the rest take what has arrived.
    const double bytesPerMs = static_cast<double>(kFast) / std::max<DWORD>(1, fastEnd - firstFill);
    if (bytesPerMs >= 1.5 * ReadAheadPace::kFastBytesPerMs) {
        EXPECT_GT(wholeWhileFast, 0) << bytesPerMs;
    }
    EXPECT_LE(wholeWhileSlow, 1);
}

TEST_F(InternetClasses, HttpRequestsReportStatusHeadersAndErrors)
{
    CInternetSession session("request test");
    std::unique_ptr<CHttpConnection> connection(
        session.GetHttpConnection("127.0.0.1", static_cast<INTERNET_PORT>(Port("CORVANE_DL_NGINX_PORT"))));
    std::unique_ptr<CHttpFile> request(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, "/d/setup.exe", nullptr,
                                                               1, nullptr, nullptr, INTERNET_FLAG_RELOAD));
    EXPECT_TRUE(request->AddRequestHeaders("Range: bytes=10-\r\n"));
    request->SendRequest();
    DWORD status = 0, length = 0;
    EXPECT_TRUE(request->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 206u);
    EXPECT_TRUE(request->QueryInfo(HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length));
    EXPECT_EQ(length, Served("d/setup.exe").size() - 10);
    CString headers;
    EXPECT_TRUE(request->QueryInfo(HTTP_QUERY_RAW_HEADERS_CRLF, headers));
    EXPECT_EQ(headers.Find("HTTP/1.1 206"), 0) << static_cast<const char*>(headers);

    try {
        std::unique_ptr<CInternetFile> refused(session.OpenURL("http://127.0.0.1:1/"));
        FAIL() << "connected to a closed port";
    } catch (CInternetException* e) {
        EXPECT_EQ(e->m_dwError, static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));
        char text[256] = {};
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
        EXPECT_GT(std::strlen(text), 0u);
        e->Delete();
    }
}
