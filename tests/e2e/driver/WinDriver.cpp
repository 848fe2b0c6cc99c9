// WinDriver: a second program for the end-to-end tests and benchmarks: finds windows, sends them messages, reads
// their texts.
// Usage: WinDriver windows TITLE | ping HWND MS | pings TITLE MS | post HWND MSG WPARAM LPARAM
//        | send HWND MSG WPARAM LPARAM | text HWND [ID] | watch HWND ID SECONDS | rect HWND ID | tray HWND ID
//        | untray HWND ID | menus | hold PATH | register NAME | show HWND CMD | codepage | trust PATH SIGNER | name HWND ID
// (numbers in decimal or 0x-hex; texts read with the wide calls, whatever the ANSI code page, and printed as
// hex UTF-8 bytes)
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "VerifyCodeSigner.h"

namespace {

unsigned long Number(const wchar_t* text)
{
    return std::wcstoul(text, nullptr, 0);
}

// A window handle has 32 significant bits on 64-bit Windows too and widens by sign extension, the rule for
// handing handles between 32-bit and 64-bit processes; the driver prints and reads those 32 bits.
HWND Window(const wchar_t* text)
{
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<LONG>(Number(text))));
}

void PrintHex(const wchar_t* text)
{
    char utf8[4096] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) std::printf("%02x", *p);
}

struct Search {
    const wchar_t* title;
    int found;
};

BOOL CALLBACK ListWindow(HWND hWnd, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    wchar_t title[512] = {};
    ::GetWindowTextW(hWnd, title, 512);
    if (std::wcscmp(title, search->title) != 0) return TRUE;
    char cls[256] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    RECT r = {};
    ::GetWindowRect(hWnd, &r);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    std::printf("hwnd=0x%lx pid=%lu class=%s visible=%d exstyle=0x%lx style=0x%lx rect=%ld,%ld,%ld,%ld\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hWnd)), pid, cls,
                ::IsWindowVisible(hWnd) ? 1 : 0, static_cast<unsigned long>(::GetWindowLongA(hWnd, GWL_EXSTYLE)),
                static_cast<unsigned long>(::GetWindowLongA(hWnd, GWL_STYLE)), r.left, r.top, r.right, r.bottom);
    ++search->found;
    return TRUE;
}

BOOL CALLBACK ListMenu(HWND hWnd, LPARAM)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    // "#32768" is the class of every pop-up menu window. Its items stay out of reach: Wine keeps menus in
    // the process that made them, so MN_GETHMENU gives a handle that means nothing here.
    if (std::strcmp(cls, "#32768") != 0 || !::IsWindowVisible(hWnd)) return TRUE;
    RECT r = {};
    ::GetWindowRect(hWnd, &r);
    std::printf("menu hwnd=0x%lx rect=%ld,%ld,%ld,%ld\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hWnd)),
                r.left, r.top, r.right, r.bottom);
    return TRUE;
}

// Polls a control's text every 5 ms for the given seconds and prints each change with its time in ms.
int WatchText(HWND hItem, double seconds)
{
    LARGE_INTEGER freq, start, now;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&start);
    wchar_t last[1024] = {};
    for (bool first = true;; first = false) {
        ::QueryPerformanceCounter(&now);
        double ms = (now.QuadPart - start.QuadPart) * 1000.0 / freq.QuadPart;
        if (ms > seconds * 1000.0) return 0;
        wchar_t text[1024] = {};
        if (!::GetWindowTextW(hItem, text, 1024) && !::IsWindow(hItem)) return 1;
        if (first || std::wcscmp(text, last) != 0) {
            std::printf("ms=%.1f text=", ms);
            PrintHex(text);
            std::printf("\n");
            std::fflush(stdout);
            std::wcscpy(last, text);
        }
        ::Sleep(5);
    }
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    return (to.QuadPart - from.QuadPart) * 1000.0 / freq.QuadPart;
}

// Says "waiting" once it looks, then waits up to a minute for a window of that title and sends it WM_NULL every
// 5 ms for as long as it exists; prints the number of round trips, the worst and the median, and how many went
// unanswered within timeoutMs. A caller starts the window's program after the first line, or a short-lived
// window may come and go while this program is still starting.
int PingWhileOpen(const wchar_t* title, UINT timeoutMs)
{
    std::printf("waiting\n");
    std::fflush(stdout);
    HWND hWnd = nullptr;
    for (int i = 0; i < 12000 && !(hWnd = ::FindWindowW(nullptr, title)); ++i) ::Sleep(5);
    if (!hWnd) return 1;
    std::vector<double> trips;
    int unanswered = 0;
    for (;;) {
        LARGE_INTEGER t0, t1;
        DWORD_PTR result = 0;
        ::QueryPerformanceCounter(&t0);
        LRESULT ok = ::SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result);
        ::QueryPerformanceCounter(&t1);
        if (!::IsWindow(hWnd)) break;
        if (!ok) ++unanswered;
        trips.push_back(Milliseconds(t0, t1));
        ::Sleep(5);
    }
    if (trips.empty()) return 1;
    std::sort(trips.begin(), trips.end());
    std::printf("pings=%u max_ms=%.3f median_ms=%.3f unanswered=%d\n", static_cast<unsigned>(trips.size()),
                trips.back(), trips[trips.size() / 2], unanswered);
    return 0;
}

}  // namespace

// Wide arguments: a title in the narrow command line would pass through the ANSI code page.
int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    const wchar_t* cmd = argv[1];
    if (!std::wcscmp(cmd, L"menus")) {
        ::EnumWindows(&ListMenu, 0);
        return 0;
    }
    if (!std::wcscmp(cmd, L"codepage")) {
        std::printf("acp=%u\n", ::GetACP());
        return 0;
    }
    if (argc < 3) return 2;
    if ((!std::wcscmp(cmd, L"tray") || !std::wcscmp(cmd, L"untray")) && argc == 4) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
        nid.hWnd = Window(argv[2]);
        nid.uID = static_cast<UINT>(Number(argv[3]));
        // The icon taken away, as a restarting shell loses it.
        if (!std::wcscmp(cmd, L"untray")) return ::Shell_NotifyIconA(NIM_DELETE, &nid) ? 0 : 1;
        // Modifying nothing succeeds exactly when the shell holds an icon of that window and id.
        BOOL present = ::Shell_NotifyIconA(NIM_MODIFY, &nid);
        std::printf("present=%d\n", present ? 1 : 0);
        return 0;
    }
    if (!std::wcscmp(cmd, L"show") && argc == 4) {
        ::ShowWindow(Window(argv[2]), static_cast<int>(Number(argv[3])));
        return 0;
    }
    if (!std::wcscmp(cmd, L"register")) {
        std::printf("message=%u\n", ::RegisterWindowMessageW(argv[2]));
        return 0;
    }
    if (!std::wcscmp(cmd, L"trust") && argc == 4) {
        // The program's own Authenticode check, in this prefix's trust: the signature and the signer's name.
        char path[MAX_PATH] = {};
        if (!::WideCharToMultiByte(CP_ACP, 0, argv[2], -1, path, MAX_PATH, nullptr, nullptr)) return 1;
        std::printf("trusted=%d\n", VerifyCodeSigner(path, argv[3]) ? 1 : 0);
        return 0;
    }
    if (!std::wcscmp(cmd, L"hold")) {
        // A scanner's handle: reading, sharing reading only, kept until standard input ends.
        HANDLE hFile = ::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        ::CloseHandle(hFile);
        return 0;
    }
    if (!std::wcscmp(cmd, L"windows")) {
        Search search = {argv[2], 0};
        ::EnumWindows(&ListWindow, reinterpret_cast<LPARAM>(&search));
        return search.found ? 0 : 1;
    }
    if (!std::wcscmp(cmd, L"ping") && argc == 4) {
        DWORD_PTR result = 0;
        LARGE_INTEGER t0, t1;
        ::QueryPerformanceCounter(&t0);
        LRESULT ok = ::SendMessageTimeoutA(Window(argv[2]), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, Number(argv[3]), &result);
        ::QueryPerformanceCounter(&t1);
        std::printf("ok=%d ms=%.3f\n", ok ? 1 : 0, Milliseconds(t0, t1));
        return ok ? 0 : 1;
    }
    if (!std::wcscmp(cmd, L"pings") && argc == 4) return PingWhileOpen(argv[2], static_cast<UINT>(Number(argv[3])));
    if ((!std::wcscmp(cmd, L"post") || !std::wcscmp(cmd, L"send")) && argc == 6) {
        HWND hWnd = Window(argv[2]);
        UINT msg = static_cast<UINT>(Number(argv[3]));
        WPARAM wp = static_cast<WPARAM>(Number(argv[4]));
        LPARAM lp = static_cast<LPARAM>(Number(argv[5]));
        if (!std::wcscmp(cmd, L"post")) return ::PostMessageA(hWnd, msg, wp, lp) ? 0 : 1;
        std::printf("result=%ld\n", static_cast<long>(::SendMessageA(hWnd, msg, wp, lp)));
        return 0;
    }
    if (!std::wcscmp(cmd, L"watch") && argc == 5) {
        HWND hItem = ::GetDlgItem(Window(argv[2]), static_cast<int>(Number(argv[3])));
        return hItem ? WatchText(hItem, std::wcstod(argv[4], nullptr)) : 1;
    }
    if (!std::wcscmp(cmd, L"text") && argc == 3) {
        wchar_t text[1024] = {};
        ::GetWindowTextW(Window(argv[2]), text, 1024);
        std::printf("text=");
        PrintHex(text);
        std::printf("\n");
        return 0;
    }
    if (!std::wcscmp(cmd, L"name") && argc == 4) {
        // What a screen reader says for the item: the name its accessible object gives.
        HWND hItem = ::GetDlgItem(Window(argv[2]), static_cast<int>(Number(argv[3])));
        if (!hItem || FAILED(::CoInitialize(nullptr))) return 1;
        IAccessible* pAcc = nullptr;
        BSTR name = nullptr;
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        // IAccessible's interface id spelled out: with the 64-bit MinGW libraries the name IID_IAccessible links
        // to oleacc's import thunk of that name, not to the id.
        const IID kAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
        HRESULT hr = ::AccessibleObjectFromWindow(hItem, static_cast<DWORD>(OBJID_CLIENT), kAccessible,
                                                  reinterpret_cast<void**>(&pAcc));
        if (SUCCEEDED(hr)) hr = pAcc->get_accName(self, &name);
        std::printf("name=");
        if (hr == S_OK && name) PrintHex(name);
        std::printf(" hr=0x%08lx\n", static_cast<unsigned long>(hr));
        ::SysFreeString(name);
        if (pAcc) pAcc->Release();
        ::CoUninitialize();
        return SUCCEEDED(hr) ? 0 : 1;
    }
    if ((!std::wcscmp(cmd, L"text") || !std::wcscmp(cmd, L"rect")) && argc == 4) {
        HWND hItem = ::GetDlgItem(Window(argv[2]), static_cast<int>(Number(argv[3])));
        if (!hItem) return 1;
        if (!std::wcscmp(cmd, L"rect")) {
            RECT r = {};
            ::GetWindowRect(hItem, &r);
            std::printf("visible=%d rect=%ld,%ld,%ld,%ld\n", ::IsWindowVisible(hItem) ? 1 : 0, r.left, r.top, r.right,
                        r.bottom);
            return 0;
        }
        wchar_t text[1024] = {};
        ::GetWindowTextW(hItem, text, 1024);
        std::printf("text=");
        PrintHex(text);
        std::printf("\n");
        return 0;
    }
    return 2;
}
