// Files past 2 GiB: a 2.5 GiB installer resumed from a 2.4 GiB temporary file over HTTP, FTP and a file URL
// ends with the exact size and the right bytes on both sides of the resume point and at the end. Both files
// are sparse: only the marked pieces take room on disk.
#include "DownloadTestSupport.h"

#include <utility>

using namespace dltest;

namespace {

const ULONGLONG kSourceSize = 5ull << 29;        // 2.5 GiB
const ULONGLONG kPartialSize = 2576980377ull;   // 2.4 GiB, cut mid-sector
const DWORD kMarkLength = 64 * 1024;

// The bytes of the source at [offset, offset + length): zero except in the marked pieces.
std::string Marked(ULONGLONG offset, DWORD length)
{
    std::string bytes(length, '\0');
    for (DWORD i = 0; i < length; ++i) {
        const ULONGLONG at = offset + i;
        const bool marked = (at >= kPartialSize - kMarkLength && at < kPartialSize + kMarkLength) ||
                            at >= kSourceSize - kMarkLength;
        if (marked) bytes[i] = static_cast<char>((at * 2654435761ull) >> 11);
    }
    return bytes;
}

// A sparse file of the given size holding the marked pieces that lie below it.
void WriteSparse(const std::string& path, ULONGLONG size)
{
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    const std::pair<ULONGLONG, ULONGLONG> pieces[] = {{kPartialSize - kMarkLength, kPartialSize + kMarkLength},
                                                      {kSourceSize - kMarkLength, kSourceSize}};
    for (const auto& piece : pieces) {
        const ULONGLONG end = piece.second < size ? piece.second : size;
        if (piece.first >= end) continue;
        const std::string bytes = Marked(piece.first, static_cast<DWORD>(end - piece.first));
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(piece.first);
        DWORD written = 0;
        ASSERT_TRUE(::SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ASSERT_TRUE(::SetFilePointerEx(h, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(h));
    ::CloseHandle(h);
}

ULONGLONG SizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ReadAt(const std::string& path, ULONGLONG offset, DWORD length)
{
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes(length, '\0');
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (!::SetFilePointerEx(h, at, nullptr, FILE_BEGIN) || !::ReadFile(h, &bytes[0], length, &read, nullptr)) read = 0;
    ::CloseHandle(h);
    bytes.resize(read);
    return bytes;
}

class LargeFile : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        m_source = ServersDir() + "\\www\\large.bin";
        WriteSparse(m_source, kSourceSize);
        WriteSparse(Temp(), kPartialSize);
    }
    void TearDown() override
    {
        ::DeleteFileA(m_source.c_str());
        DownloadTest::TearDown();
    }
    void ExpectTheWholeSource()
    {
        EXPECT_FALSE(Exists(Temp()));
        EXPECT_EQ(kSourceSize, SizeOf(m_dest));
        const ULONGLONG around = kPartialSize - kMarkLength;
        EXPECT_TRUE(ReadAt(m_dest, around, 2 * kMarkLength) == Marked(around, 2 * kMarkLength))
            << "the bytes around the resume point differ";
        EXPECT_TRUE(ReadAt(m_dest, kSourceSize - kMarkLength, kMarkLength) ==
                    Marked(kSourceSize - kMarkLength, kMarkLength))
            << "the last bytes differ";
        const std::vector<Notification> resumed = Of(DLP_RESUMED), received = Of(DLP_RECEIVED);
        ASSERT_EQ(1u, resumed.size());
        EXPECT_EQ(static_cast<DWORD>(kPartialSize), static_cast<DWORD>(resumed[0].lParam));
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(static_cast<DWORD>(kSourceSize), static_cast<DWORD>(received.back().lParam));
    }

    std::string m_source;
};

}  // namespace

TEST_F(LargeFile, HttpResumesPastTwoGibibytes)
{
    LogTail log("nginx-access.log");
    EXPECT_NE(Download(NginxUrl("large.bin")), 0);
    EXPECT_EQ(206u, m_engine.m_dwStatusCode);
    bool ranged = false;
    for (const std::string& line : log.NewLines()) ranged |= line == "/large.bin|206|bytes=2576980377-|no-cache";
    EXPECT_TRUE(ranged);
    ExpectTheWholeSource();
}

TEST_F(LargeFile, FtpResumesPastTwoGibibytes)
{
    LogTail log("ftp-commands.log");
    EXPECT_NE(Download(FtpUrl("large.bin")), 0);
    bool rest = false;
    for (const std::string& line : log.NewLines()) rest |= line == "rest REST 2576980377";
    EXPECT_TRUE(rest);
    ExpectTheWholeSource();
}

TEST_F(LargeFile, LocalFileResumesPastTwoGibibytes)
{
    std::string path = m_source.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    EXPECT_NE(Download("file:///Z:" + path), 0);
    ExpectTheWholeSource();
}
