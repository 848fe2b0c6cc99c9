// Files that other programs hold open or that are read-only: signature, delete and replacing move.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "FileRetry.h"
#include "FileSignature.h"
#include "TempFolder.h"

namespace {

// Another program's handle on a file, as a scanner takes one: opened at once, closed by a thread of its
// own after releaseAfterMs, or when the object goes.
class ForeignHandle {
public:
    ForeignHandle(const CString& path, DWORD access, DWORD share, DWORD releaseAfterMs = INFINITE)
        : m_hFile(::CreateFileA(path, access, share, nullptr, OPEN_EXISTING, 0, nullptr)),
          m_hRelease(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        m_closer = std::thread([this, releaseAfterMs] {
            ::WaitForSingleObject(m_hRelease, releaseAfterMs);
            if (m_hFile != INVALID_HANDLE_VALUE) ::CloseHandle(m_hFile);
        });
    }
    ~ForeignHandle()
    {
        ::SetEvent(m_hRelease);
        m_closer.join();
        ::CloseHandle(m_hRelease);
    }
    ForeignHandle(const ForeignHandle&) = delete;
    ForeignHandle& operator=(const ForeignHandle&) = delete;
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile;
    HANDLE m_hRelease;
    std::thread m_closer;
};

class SharedFiles : public TempFolder {};

const char kContent[] = "installer bytes";

}  // namespace

TEST_F(SharedFiles, TheSignatureIsReadWhileAnotherProgramReadsOrWritesTheFile)
{
    WriteAll(Path("setup.exe"), kContent);
    const CString expected = FileSignature(Path("setup.exe"));
    ASSERT_EQ(32, expected.GetLength());
    {
        // A scanner's usual handle: reading, letting others read only.
        ForeignHandle scanner(Path("setup.exe"), GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(scanner.IsOpen());
        EXPECT_EQ(expected, FileSignature(Path("setup.exe")));
    }
    {
        ForeignHandle writer(Path("setup.exe"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_EQ(expected, FileSignature(Path("setup.exe")));
    }
}

TEST_F(SharedFiles, AHandleThatSharesNothingIsWaitedOutForAMomentThenGivenUpOn)
{
    WriteAll(Path("setup.exe"), kContent);
    const CString expected = FileSignature(Path("setup.exe"));
    {
        ForeignHandle brief(Path("setup.exe"), GENERIC_READ, 0, 300);
        ASSERT_TRUE(brief.IsOpen());
        EXPECT_EQ(expected, FileSignature(Path("setup.exe")));
    }
    ForeignHandle held(Path("setup.exe"), GENERIC_READ, 0);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_EQ(CString(""), FileSignature(Path("setup.exe")));
}

TEST_F(SharedFiles, ReadOnlyFilesAreDeletedAndReplaced)
{
    WriteAll(Path("old.exe"), "old");
    ASSERT_TRUE(::SetFileAttributesA(Path("old.exe"), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(DeleteFileRetrying(Path("old.exe")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(Path("old.exe")));

    WriteAll(Path("setup.exe"), "old");
    ASSERT_TRUE(::SetFileAttributesA(Path("setup.exe"), FILE_ATTRIBUTE_READONLY));
    WriteAll(Path("setup.exe.df!"), kContent);
    EXPECT_TRUE(MoveFileReplacing(Path("setup.exe.df!"), Path("setup.exe")));
    EXPECT_EQ(kContent, ReadAll(Path("setup.exe")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(Path("setup.exe.df!")));
}

TEST_F(SharedFiles, DeleteAndMoveWaitForAHandleThatIsReleasedSoon)
{
    WriteAll(Path("old.exe"), "old");
    {
        // No delete sharing: the delete is refused while the handle is open.
        ForeignHandle brief(Path("old.exe"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 300);
        ASSERT_TRUE(brief.IsOpen());
        EXPECT_TRUE(DeleteFileRetrying(Path("old.exe")));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(Path("old.exe")));

    WriteAll(Path("setup.exe"), "old");
    WriteAll(Path("setup.exe.df!"), kContent);
    {
        ForeignHandle brief(Path("setup.exe"), GENERIC_READ, FILE_SHARE_READ, 300);
        ASSERT_TRUE(brief.IsOpen());
        EXPECT_TRUE(MoveFileReplacing(Path("setup.exe.df!"), Path("setup.exe")))
            << ::GetLastError();
    }
    EXPECT_EQ(kContent, ReadAll(Path("setup.exe")));

    // A handle that stays: the delete gives up with the sharing error.
    ForeignHandle held(Path("setup.exe"), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_FALSE(DeleteFileRetrying(Path("setup.exe")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
    EXPECT_EQ(kContent, ReadAll(Path("setup.exe")));
}
