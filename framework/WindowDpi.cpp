// WindowDpi: the calls newer than Windows 7 are looked up at run time, so the program still starts there.
#include "WindowDpi.h"

namespace {

// The resolution Windows calls 100 %.
const int kDefaultDpi = 96;

template <typename Proc>
Proc User32Proc(const char* pszName)
{
    // user32 is loaded in every GUI process; looked up at each call, which happens a few times per window.
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
    const GetDpiForWindowProc pGetDpiForWindow = User32Proc<GetDpiForWindowProc>("GetDpiForWindow");
    if (pGetDpiForWindow && hWnd) {
        if (const UINT dpi = pGetDpiForWindow(hWnd)) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int GetSystemMetricForDpi(int nIndex, int nDpi)
{
    typedef int(WINAPI * GetSystemMetricsForDpiProc)(int, UINT);
    const GetSystemMetricsForDpiProc pForDpi = User32Proc<GetSystemMetricsForDpiProc>("GetSystemMetricsForDpi");
    if (pForDpi) return pForDpi(nIndex, static_cast<UINT>(nDpi));
    return ::MulDiv(::GetSystemMetrics(nIndex), nDpi, ScreenDpi());
}

void KeepDialogLayoutOnDpiChange(HWND hDlg)
{
    // DDC_DISABLE_ALL: no resizing of the dialog, no font changes, no re-layout of its items.
    const int kDisableAll = 0x0001;
    typedef BOOL(WINAPI * SetBehaviorProc)(HWND, int, int);
    const SetBehaviorProc pSet = User32Proc<SetBehaviorProc>("SetDialogDpiChangeBehavior");
    if (pSet) pSet(hDlg, kDisableAll, kDisableAll);
}
