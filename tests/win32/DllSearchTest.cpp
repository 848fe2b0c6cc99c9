// Library search of the installer's process: a DLL beside the program is not loaded once the search is
// restricted, for a system library's name or any other; without the restriction it is. Windows loads a
// library of a system name from wherever the search finds it first; Wine prefers its builtin wherever it
// finds the file unless told otherwise, so ctest sets the probe's order for "version" to native first.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "KernelHandle.h"

namespace {

class DllSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t self[MAX_PATH];
        DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        ASSERT_TRUE(n > 0 && n < MAX_PATH);
        std::wstring bin(self);
        bin.erase(bin.find_last_of(L'\\') + 1);
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_dir = std::wstring(temp) + L"corvane-dll-search-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(m_dir.c_str(), nullptr);
        ASSERT_TRUE(::CopyFileW((bin + L"DllSearchProbe.exe").c_str(), (m_dir + L"DllSearchProbe.exe").c_str(), FALSE));
        for (const wchar_t* name : {L"version.dll", L"corvaneprobe.dll"})
            ASSERT_TRUE(::CopyFileW((bin + L"StandInDll.dll").c_str(), (m_dir + name).c_str(), FALSE));
    }
    void TearDown() override
    {
        for (const wchar_t* name : {L"DllSearchProbe.exe", L"version.dll", L"corvaneprobe.dll"})
            ::DeleteFileW((m_dir + name).c_str());
        ::RemoveDirectoryW(m_dir.c_str());
    }

    // The probe's exit code, run from a folder that holds nothing to load.
    DWORD Probe(const wchar_t* pszLibrary, bool bRestricted)
    {
        std::wstring command = L"\"" + m_dir + L"DllSearchProbe.exe\" " + pszLibrary;
        if (!bRestricted) command += L" unrestricted";
        wchar_t system[MAX_PATH];
        ::GetSystemDirectoryW(system, MAX_PATH);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, system, &si, &pi))
            return 99;
        KernelHandle process(pi.hProcess), thread(pi.hThread);
        ::WaitForSingleObject(process.Get(), INFINITE);
        DWORD code = 99;
        ::GetExitCodeProcess(process.Get(), &code);
        return code;
    }

    std::wstring m_dir;
};

TEST_F(DllSearch, ASystemLibraryNameComesFromTheSystemFolder)
{
    EXPECT_EQ(Probe(L"version.dll", true), 0u);
    EXPECT_EQ(Probe(L"version.dll", false), 2u);
}

TEST_F(DllSearch, ALibraryOnlyBesideTheProgramIsNotFound)
{
    EXPECT_EQ(Probe(L"corvaneprobe.dll", true), 1u);
    EXPECT_EQ(Probe(L"corvaneprobe.dll", false), 2u);
}

}  // namespace
