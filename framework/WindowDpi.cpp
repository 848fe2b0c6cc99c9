// WindowDpi: the calls newer than Windows 7 are looked up at run time, so the program still starts there.
#include "WindowDpi.h"

namespace {

// The resolution Windows calls 100 %.
const int kDefaultDpi = 96;

template <typename Proc>
Proc User32Proc(const char* pszName)
{
    // user32 is loaded in every GUI process; the cast is how GetProcAddress results are used.
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), pszName)));
}

int ScreenDpi()
{
    HDC hScreen = ::GetDC(nullptr);
    const int dpi = hScreen ? ::GetDeviceCaps(hScreen, LOGPIXELSX) : kDefaultDpi;
    if (hScreen) ::ReleaseDC(nullptr, hScreen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

int GetWindowDpi(HWND hWnd)
{
    typedef UINT(WINAPI * GetDpiForWindowProc)(HWND);
    static const GetDpiForWindowProc pGetDpiForWindow = User32Proc<GetDpiForWindowProc>("GetDpiForWindow");
    if (pGetDpiForWindow && hWnd) {
        if (const UINT dpi = pGetDpiForWindow(hWnd)) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int GetSystemMetricForDpi(int nIndex, int nDpi)
{
    typedef int(WINAPI * GetSystemMetricsForDpiProc)(int, UINT);
    static const GetSystemMetricsForDpiProc pForDpi = User32Proc<GetSystemMetricsForDpiProc>("GetSystemMetricsForDpi");
    if (pForDpi) return pForDpi(nIndex, static_cast<UINT>(nDpi));
    return ::MulDiv(::GetSystemMetrics(nIndex), nDpi, ScreenDpi());
}
