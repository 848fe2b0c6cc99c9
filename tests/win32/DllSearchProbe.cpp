// DllSearchProbe: loads one library by name, after RestrictDllSearch unless told not to. Exit code 0: a library
// that is not the test's stand-in, 2: the stand-in from beside the program, 1: nothing loaded.
#include <windows.h>

#include <cwchar>

#include "RestrictDllSearch.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 1;
    if (!(argc > 2 && std::wcscmp(argv[2], L"unrestricted") == 0)) RestrictDllSearch();
    HMODULE hLib = ::LoadLibraryW(argv[1]);
    if (!hLib) return 1;
    return ::GetProcAddress(hLib, "CorvaneStandInDll") ? 2 : 0;
}
