// Shared pieces of the skin tests: a modeless host window, coded bitmaps, message pumping, GDI counts.
#pragma once

#include <windows.h>

#include <functional>

#include "CString.h"
#include "SkinDialog.h"

// A bitmap of w x h compatible with the screen, each pixel coloured by colour(x, y). Caller deletes it.
HBITMAP MakeBitmap(int w, int h, const std::function<COLORREF(int, int)>& colour);

// Dispatches this thread's messages, paints included, until none is waiting; false when they still kept
// coming after timeoutMs (a window that asks to be painted again whenever it paints, say).
bool PumpUntilIdle(DWORD timeoutMs = 5000);

// Dispatches this thread's messages until done() holds or timeoutMs have passed; returns done()'s last value.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Reads a pixel of hWnd's client area as drawn (from the window's surface).
COLORREF ScreenPixel(HWND hWnd, int x, int y);

bool InWindowRegion(HWND hWnd, int x, int y);

// Live GDI objects of this process. Wine's GetGuiResources is a stub; there the handle table that its GDI
// shares with the process is counted instead.
int CountGdiObjects();

// When CORVANE_SCREENSHOT_DIR is set, asks the screenshot script to photograph hWnd's screen rectangle as
// <dir>/<name>.png and waits (pumping messages) until the picture exists; otherwise does nothing.
void TakeScreenshot(HWND hWnd, const char* name);

// A modeless skinned window from the tests' template: solid background, or the fixed skin when loaded.
class TestHost : public SkinDialog {
public:
    TestHost();
    ~TestHost() override;
    // Creates and shows the window at (x, y) with a client area of w x h.
    void Open(int x, int y, int w, int h);

    COLORREF m_crBackground = RGB(30, 160, 60);
    bool m_bFixedSkin = false;
    int m_nCommands = 0;

    using SkinDialog::LayoutFixedBackground;
    using SkinDialog::InvalidateUnderItems;
    CBitmap& Skin() { return m_bmpSkin; }

protected:
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);
    // The host's own look does not depend on the scale.
    void OnScaleChanged(const RECT&) override {}
    DECLARE_MESSAGE_MAP()
};
