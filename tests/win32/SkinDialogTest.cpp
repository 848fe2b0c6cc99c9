// The fixed-background frame: placement in the work area, corners, drag zone, transparent statics.
#include <gtest/gtest.h>

#include "SkinTest.h"
#include "SkinTestSupport.h"
#include "WindowRegion.h"
#include "resource.h"

TEST(FixedBackgroundFrame, CentredInTheWorkAreaWithTheSkinsSizeAndCorners)
{
    TestHost host;
    host.m_bFixedSkin = true;
    host.Open(0, 0, 100, 100);
    host.LayoutFixedBackground(IDB_MAIN_BACKGROUND);
    ApplyCornerRegion(&host, &host.Skin());
    // The host was on screen at another size before its skin was loaded: paint all of it anew.
    host.Invalidate(TRUE);
    ::UpdateWindow(host.m_hWnd);

    RECT work, rc;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    host.GetWindowRect(&rc);
    EXPECT_EQ(437, rc.right - rc.left);
    EXPECT_EQ(254, rc.bottom - rc.top);
    EXPECT_EQ(work.left + (work.right - work.left - 437) / 2, rc.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - 254) / 2, rc.top);

    // The skin's rounded corners are cut; its inside is not.
    for (POINT p : {POINT{0, 0}, POINT{436, 0}, POINT{0, 253}, POINT{436, 253}})
        EXPECT_FALSE(InWindowRegion(host.m_hWnd, p.x, p.y)) << p.x << "," << p.y;
    for (POINT p : {POINT{10, 10}, POINT{426, 243}, POINT{218, 0}, POINT{0, 127}})
        EXPECT_TRUE(InWindowRegion(host.m_hWnd, p.x, p.y)) << p.x << "," << p.y;

    // The whole window drags, its statics included.
    POINT inside = {rc.left + 200, rc.top + 100};
    EXPECT_EQ(HTCAPTION, ::SendMessageA(host.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)));

    // Statics draw transparently: hollow brush and transparent background mode.
    HDC dc = ::GetDC(host.m_hWnd);
    ::SetBkMode(dc, OPAQUE);
    HWND label = ::GetDlgItem(host.m_hWnd, IDC_SKIN_TEST_LABEL);
    const LRESULT brush = ::SendMessageA(host.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
    ::ReleaseDC(host.m_hWnd, dc);

    // The skin is painted: the title band's colour, not the template's grey.
    const COLORREF band = ScreenPixel(host.m_hWnd, 200, 20);
    EXPECT_NE(::GetSysColor(COLOR_BTNFACE), band);
    EXPECT_GT(GetBValue(band), GetRValue(band));
    TakeScreenshot(host.m_hWnd, "skin_fixed_frame");
}

TEST(FixedBackgroundFrame, InvalidateUnderItemsRepaintsTheBackgroundThere)
{
    TestHost host;
    host.Open(100, 100, 200, 100);
    HWND label = ::GetDlgItem(host.m_hWnd, IDC_SKIN_TEST_LABEL);
    // Below the template's buttons, which would paint over the area themselves.
    ::MoveWindow(label, 20, 60, 80, 20, TRUE);
    ::ShowWindow(label, SW_HIDE);
    EXPECT_TRUE(PumpUntilIdle());
    HDC dc = ::GetDC(host.m_hWnd);
    RECT junk = {0, 0, 200, 100};
    HBRUSH black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    ::FillRect(dc, &junk, black);
    ::ReleaseDC(host.m_hWnd, dc);
    ASSERT_EQ(RGB(0, 0, 0), ScreenPixel(host.m_hWnd, 21, 61));

    const int ids[] = {IDC_SKIN_TEST_LABEL};
    host.InvalidateUnderItems(ids, 1);
    ::UpdateWindow(host.m_hWnd);
    EXPECT_EQ(host.m_crBackground, ScreenPixel(host.m_hWnd, 21, 61));
    EXPECT_EQ(host.m_crBackground, ScreenPixel(host.m_hWnd, 99, 79));
    EXPECT_EQ(RGB(0, 0, 0), ScreenPixel(host.m_hWnd, 101, 61));
    EXPECT_EQ(RGB(0, 0, 0), ScreenPixel(host.m_hWnd, 21, 81));
}
