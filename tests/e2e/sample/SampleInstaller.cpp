// SampleInstaller: stands in for the real installer in the demo and the tests; it notes that it was started.
// Wide calls, as an installer's own: it may be started from a folder the ANSI code page cannot name.
#include <windows.h>

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t self[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    wchar_t path[MAX_PATH] = {};
    std::wcscpy(path, self);
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash || (slash - path) + 30 >= MAX_PATH) return 1;
    std::wcscpy(slash + 1, L"sample-installer-started.txt");
    HANDLE h = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    char text[MAX_PATH * 3] = {};
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, self, -1, text, sizeof text, nullptr, nullptr);
    DWORD written = 0;
    if (bytes > 1) ::WriteFile(h, text, static_cast<DWORD>(bytes - 1), &written, nullptr);
    ::CloseHandle(h);
    return 0;
}
