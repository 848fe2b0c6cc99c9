// Folder paths for the narrow file calls: names the ANSI code page spells stay as they are, others are
// reached by their short names, and a folder that has neither gives nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "AnsiPath.h"

namespace {

// Thai and Devanagari: no character of either script is in code page 936.
const wchar_t kForeignName[] = L"\u0E1C\u0E39\u0E49\u0E43\u0E0A\u0E49-\u0909\u092A\u092F\u094B\u0917";

class AnsiPathOfFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        m_base = std::wstring(base) + L"corvane-ansipath-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_base.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const std::wstring& file : m_files) ::DeleteFileW(file.c_str());
        for (const std::wstring& dir : m_dirs) ::RemoveDirectoryW(dir.c_str());
        ::RemoveDirectoryW(m_base.c_str());
    }
    std::wstring MakeFolder(const wchar_t* name)
    {
        const std::wstring path = m_base + L"\\" + name;
        EXPECT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
        m_dirs.push_back(path);
        return path;
    }
    std::string Narrow(const std::wstring& wide) const
    {
        char text[MAX_PATH * 2] = {};
        ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        return text;
    }

    std::wstring m_base;
    std::vector<std::wstring> m_dirs;
    std::vector<std::wstring> m_files;
};

}  // namespace

TEST_F(AnsiPathOfFolders, ANameTheCodePageSpellsIsKeptAsItIs)
{
    const std::wstring folder = MakeFolder(L"\u7528\u6237\u6570\u636E");  // 用户数据
    EXPECT_EQ(Narrow(m_base) + "\\用户数据", std::string(AnsiPath(folder.c_str())));
    EXPECT_EQ(Narrow(m_base), std::string(AnsiPath(m_base.c_str())));
}

TEST_F(AnsiPathOfFolders, AForeignNameIsReachedByItsShortName)
{
    // The premise: the code page has no form for the name.
    BOOL usedDefault = FALSE;
    char probe[64];
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, kForeignName, -1, probe, sizeof probe, nullptr, &usedDefault);
    ASSERT_TRUE(usedDefault) << "code page " << ::GetACP() << " spells the name";

    const std::wstring folder = MakeFolder(kForeignName);
    const std::string path = static_cast<const char*>(AnsiPath(folder.c_str()));
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(std::string::npos, path.find('?')) << path;
    const std::string last = path.substr(path.rfind('\\') + 1);
    EXPECT_LE(last.size(), 12u) << last;
    EXPECT_NE(std::string::npos, last.find('~')) << last;

    // Written through the narrow path, read back through the folder's real name.
    const std::string file = path + "\\probe.txt";
    m_files.push_back(folder + L"\\probe.txt");
    HANDLE out = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, out) << file << " error " << ::GetLastError();
    DWORD written = 0;
    ::WriteFile(out, "via 8.3", 7, &written, nullptr);
    ::CloseHandle(out);
    HANDLE in = ::CreateFileW(m_files.back().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, in);
    char text[16] = {};
    DWORD read = 0;
    ::ReadFile(in, text, sizeof text, &read, nullptr);
    ::CloseHandle(in);
    EXPECT_EQ("via 8.3", std::string(text, read));
}

TEST_F(AnsiPathOfFolders, AForeignNameWithoutAFolderGivesNothing)
{
    EXPECT_EQ(CString(""), AnsiPath((m_base + L"\\" + kForeignName).c_str()));
}
