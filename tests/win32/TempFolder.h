// Test fixture: a fresh folder under the temporary directory for each test, removed with what it holds.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

#include "CString.h"
#include "InstallerGlobals.h"

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char base[MAX_PATH];
        ::GetTempPathA(MAX_PATH, base);
        m_dir.Format("%scorvane-record-%lu", base, ::GetCurrentProcessId());
        ::CreateDirectoryA(m_dir, nullptr);
        g_nVerType = 0;
        g_strFileSign.Empty();
    }
    void TearDown() override
    {
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA(m_dir + "\\*", &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const CString path = Path(found.cFileName);
                ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path);
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(m_dir);
    }
    CString Path(const char* name) const { return m_dir + "\\" + name; }
    std::string ReadAll(const CString& path) const
    {
        std::ifstream in(static_cast<const char*>(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteAll(const CString& path, const std::string& bytes) const
    {
        std::ofstream(static_cast<const char*>(path), std::ios::binary) << bytes;
    }
    CString m_dir;
};
