// Shared pieces of the skin tests.
#include "SkinTestSupport.h"

#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CClientDC.h"
#include "CPaintDC.h"
#include "SkinTest.h"

HBITMAP MakeBitmap(int w, int h, const std::function<COLORREF(int, int)>& colour)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ::SetPixel(mem, x, y, colour(x, y));
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return bmp;
}

bool PumpUntilIdle(DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    MSG msg;
    // PeekMessage hands out WM_PAINT too, once nothing else waits and a window has an update region.
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
        if (::GetTickCount() - start >= timeoutMs) return false;
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return done();
        // Woken by the next message; a condition outside this thread's queue (a file, the cursor) is
        // looked at again every few milliseconds.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        PumpUntilIdle(timeoutMs - elapsed);
    }
    return true;
}

COLORREF ScreenPixel(HWND hWnd, int x, int y)
{
    HDC dc = ::GetDC(hWnd);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(hWnd, dc);
    return c;
}

bool InWindowRegion(HWND hWnd, int x, int y)
{
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    const int kind = ::GetWindowRgn(hWnd, rgn);
    const bool inside = kind == ERROR ? true : ::PtInRegion(rgn, x, y) != FALSE;
    ::DeleteObject(rgn);
    return inside;
}

int CountGdiObjects()
{
    ::SetLastError(0);
    const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (n || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return static_cast<int>(n);
#pragma pack(push, 1)
    // Wine's shared GDI handle entry: a non-zero type marks a live object.
    struct Entry {
        unsigned long long object;
        unsigned long owner;
        unsigned short unique;
        unsigned char type;
        unsigned char flags;
        unsigned long long user;
    };
#pragma pack(pop)
    static_assert(sizeof(Entry) == 24, "Wine's GDI handle entry");
    PROCESS_BASIC_INFORMATION info = {};
    if (::NtQueryInformationProcess(::GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr))
        return -1;
    // The process block's GdiSharedHandleTable lies at 0x94 in a 32-bit process and at 0xF8 in a 64-bit one.
    const size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    const char* peb = reinterpret_cast<const char*>(info.PebBaseAddress);
    const Entry* table = *reinterpret_cast<const Entry* const*>(peb + tableOffset);
    if (!table) return -1;
    int count = 0;
    for (int i = 0; i < 0x10000; ++i)
        if (table[i].type) ++count;
    return count;
}

void TakeScreenshot(HWND hWnd, const char* name)
{
    const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR");
    if (!dir || !*dir) return;
    ::UpdateWindow(hWnd);
    PumpUntilIdle();
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    const std::string base = std::string(dir) + "\\" + name;
    const std::string png = base + ".png";
    ::DeleteFileA(png.c_str());
    if (FILE* f = std::fopen((base + ".ready").c_str(), "w")) {
        std::fprintf(f, "%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
        std::fclose(f);
    }
    PumpUntil([&png] { return ::GetFileAttributesA(png.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
}

BEGIN_MESSAGE_MAP(TestHost, SkinDialog)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_NCHITTEST, OnNcHitTestDragAnywhere)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnCtlColorTransparentStatic)
    ON_MESSAGE(WM_COMMAND, OnCommandMessage)
END_MESSAGE_MAP()

namespace {
INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
}  // namespace

TestHost::TestHost() : SkinDialog(IDD_SKIN_TEST_HOST) {}

TestHost::~TestHost()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void TestHost::Open(int x, int y, int w, int h)
{
    HWND hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SKIN_TEST_HOST), nullptr,
                                     &NoDialogProc, 0);
    SubclassWindow(hWnd);
    MoveWindow(x, y, w, h, TRUE);
    ShowWindow(SW_SHOW);
    ::UpdateWindow(hWnd);
}

LRESULT TestHost::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    if (m_bFixedSkin) {
        PaintFixedBackground(dc);
    } else {
        HBRUSH brush = ::CreateSolidBrush(m_crBackground);
        RECT rc;
        GetClientRect(&rc);
        ::FillRect(dc.m_hDC, &rc, brush);
        ::DeleteObject(brush);
    }
    return 0;
}

LRESULT TestHost::OnCommandMessage(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) ++m_nCommands;
    return DefWindowProc(WM_COMMAND, wParam, lParam);
}
