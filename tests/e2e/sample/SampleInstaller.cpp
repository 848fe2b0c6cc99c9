// SampleInstaller: stands in for the real installer in the demo and the tests; it notes that it was started.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return 1;
    std::strcpy(slash + 1, "sample-installer-started.txt");
    HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    DWORD written = 0;
    ::WriteFile(h, self, static_cast<DWORD>(std::strlen(self)), &written, nullptr);
    ::CloseHandle(h);
    return 0;
}
