// RestrictDllSearch: SetDefaultDllDirectories where kernel32 has it, and the current folder dropped everywhere.
#include "RestrictDllSearch.h"

#include <windows.h>

namespace {
// Both are looked up: SetDefaultDllDirectories needs Windows 8 or KB2533623 on Vista and 7, and the program
// still starts on XP, whose first release lacks SetDllDirectoryW.
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryWFn)(LPCWSTR);
const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
}  // namespace

void RestrictDllSearch()
{
    HMODULE hKernel = ::GetModuleHandleW(L"kernel32.dll");
    if (!hKernel) return;
    // Without it the application's folder stays first in the search order, so a DLL dropped beside the
    // program with a system library's name would be loaded.
    auto pfnDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    if (pfnDefault) pfnDefault(kSearchSystem32);
    // An empty directory removes the current folder from the search order of the older systems.
    auto pfnDllDirectory = reinterpret_cast<SetDllDirectoryWFn>(
        reinterpret_cast<void*>(::GetProcAddress(hKernel, "SetDllDirectoryW")));
    if (pfnDllDirectory) pfnDllDirectory(L"");
}
