// The bitmap state button on real windows: stretched pixels, region, hover, leave, press, disable, un-skin.
#include <gtest/gtest.h>

#include <vector>

#include "CBitmapStateButton.h"
#include "SkinTest.h"
#include "SkinTestSupport.h"
#include "StateStretch.h"
#include "WindowRegion.h"

namespace {

// A strip of 30 x 96 (four 30 x 24 images) whose pixels tell where they come from: red = column,
// green = row in the strip, blue = 40 + 50 x state. The top-left pixel of every image is the key colour.
COLORREF StripPixel(int x, int y)
{
    if (x == 0 && y % 24 == 0) return kSkinKeyColor;
    return RGB(x, y, 40 + 50 * (y / 24));
}

int StateOf(COLORREF c)
{
    const int b = GetBValue(c);
    return (b - 40) % 50 == 0 ? (b - 40) / 50 : -1;
}

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strip = MakeBitmap(30, 96, StripPixel);
        m_host.Open(300, 200, 220, 120);
        m_hButton = ::GetDlgItem(m_host.m_hWnd, IDC_SKIN_TEST_BUTTON);
        ASSERT_TRUE(m_button.SubclassWindow(m_hButton));
    }
    void TearDown() override
    {
        ::SetCursorPos(0, 0);
        ::DestroyWindow(m_host.m_hWnd);
        ::DeleteObject(m_strip);
    }

    // Places the button and makes it draw.
    void Show(int x, int y, int w, int h, BOOL keepSize = TRUE)
    {
        ::MoveWindow(m_hButton, x, y, w, h, TRUE);
        m_button.SetStateBitmap(m_strip, 4, 1, keepSize);
        ::InvalidateRect(m_host.m_hWnd, nullptr, TRUE);
        ::UpdateWindow(m_host.m_hWnd);
        EXPECT_TRUE(PumpUntilIdle());
    }

    int ShownState(int x = 5, int y = 5) { return StateOf(ScreenPixel(m_hButton, x, y)); }

    void MoveMouseInto()
    {
        RECT rc;
        ::GetWindowRect(m_hButton, &rc);
        ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        ::SendMessageA(m_hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    }

    // Every button pixel against the copy plan: drawn ones show their source, key ones are cut.
    void ExpectPixels(int cw, int ch, bool exact)
    {
        std::vector<std::vector<POINT>> src(ch, std::vector<POINT>(cw, POINT{-1, -1}));
        for (const BlitPiece& p : PlanStateStretch(30, 24, cw, ch, 0, 0, exact))
            for (int j = 0; j < p.dh; ++j)
                for (int i = 0; i < p.dw; ++i) src[p.dy + j][p.dx + i] = POINT{p.sx + i, p.sy + j};
        HDC dc = ::GetDC(m_hButton);
        int mismatches = 0;
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                const POINT s = src[y][x];
                const bool key = StripPixel(s.x, s.y) == kSkinKeyColor;
                EXPECT_EQ(!key, InWindowRegion(m_hButton, x, y)) << x << "," << y;
                if (key) continue;
                const COLORREF c = ::GetPixel(dc, x, y);
                if (c != StripPixel(s.x, s.y) && ++mismatches < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " of " << cw << "x" << ch << " shows column "
                                  << int(GetRValue(c)) << " row " << int(GetGValue(c)) << ", expected " << s.x
                                  << "," << s.y;
            }
        ::ReleaseDC(m_hButton, dc);
        EXPECT_EQ(0, mismatches);
    }

    TestHost m_host;
    CBitmapStateButton m_button;
    HWND m_hButton = nullptr;
    HBITMAP m_strip = nullptr;
};

}  // namespace

TEST_F(SkinButtonTest, FiveStretchCasesOnScreen)
{
    Show(10, 10, 30, 24);
    ExpectPixels(30, 24, false);  // case 1
    Show(10, 10, 70, 40);
    ExpectPixels(70, 40, false);  // case 2
    Show(10, 10, 70, 24);
    ExpectPixels(70, 24, false);  // case 3
    // Button columns 15-54 all repeat image column 14.
    EXPECT_EQ(RGB(14, 3, 40), ScreenPixel(m_hButton, 40, 3));
    Show(10, 10, 20, 40);
    ExpectPixels(20, 40, false);  // case 4
    Show(10, 10, 20, 10);
    ExpectPixels(20, 10, false);  // case 5
}

TEST_F(SkinButtonTest, WithoutKeepSizeTheButtonTakesOneImage)
{
    Show(10, 10, 70, 40, FALSE);
    RECT rc;
    ::GetWindowRect(m_hButton, &rc);
    EXPECT_EQ(30, rc.right - rc.left);
    EXPECT_EQ(24, rc.bottom - rc.top);
    POINT topLeft = {rc.left, rc.top};
    ::ScreenToClient(m_host.m_hWnd, &topLeft);
    EXPECT_EQ(10, topLeft.x);
    EXPECT_EQ(10, topLeft.y);
    ExpectPixels(30, 24, true);
}

TEST_F(SkinButtonTest, HoverLeavePressAndDisable)
{
    Show(10, 10, 30, 24);
    ASSERT_EQ(0, ShownState());

    MoveMouseInto();
    EXPECT_EQ(1, ShownState()) << "the hover image shows at once";

    ::SetCursorPos(0, 0);
    EXPECT_EQ(1, ShownState()) << "leaving is noticed by the timer, not at once";
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(PumpUntil([this] { return ShownState() == 0; }, 1000));
    std::printf("leave noticed after %lu ms\n", ::GetTickCount() - start);

    // Pressed while focused and held down.
    ::SetFocus(m_hButton);
    ::SendMessageA(m_hButton, BM_SETSTATE, TRUE, 0);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(2, ShownState());
    ::SendMessageA(m_hButton, BM_SETSTATE, FALSE, 0);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(0, ShownState());

    ::EnableWindow(m_hButton, FALSE);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(3, ShownState());
    MoveMouseInto();
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(3, ShownState()) << "a disabled button ignores the mouse";

    ::EnableWindow(m_hButton, TRUE);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_NE(3, ShownState());
}

TEST_F(SkinButtonTest, ClicksReachTheParent)
{
    Show(10, 10, 30, 24);
    ::SendMessageA(m_hButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(1, m_host.m_nCommands);
}

TEST_F(SkinButtonTest, NullBitmapTurnsBackIntoAPlainButton)
{
    ::SetWindowTextA(m_hButton, "OK");
    ::MoveWindow(m_hButton, 10, 10, 60, 24, TRUE);
    m_button.SetStateBitmap(nullptr, 4, 1, TRUE);
    EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongA(m_hButton, GWL_STYLE) & BS_TYPEMASK);
    ::InvalidateRect(m_host.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_host.m_hWnd);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(BS_PUSHBUTTON, ::GetWindowLongA(m_hButton, GWL_STYLE) & BS_TYPEMASK);
    // The platform paints it: its face is not the host's background.
    EXPECT_NE(m_host.m_crBackground, ScreenPixel(m_hButton, 30, 12));
    ::SendMessageA(m_hButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(1, m_host.m_nCommands);
}

TEST_F(SkinButtonTest, CaptionDrawnOverTheImageAndGreyedWhenDisabled)
{
    HBITMAP plain = MakeBitmap(30, 96, [](int, int y) { return RGB(250, 250, 250 - y / 24); });
    ::SetWindowTextA(m_hButton, "&W");
    ::MoveWindow(m_hButton, 10, 10, 60, 24, TRUE);
    m_button.SetStateBitmap(plain, 4, 1, TRUE);
    ::InvalidateRect(m_host.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_host.m_hWnd);
    EXPECT_TRUE(PumpUntilIdle());
    auto countColour = [&](auto match) {
        int n = 0;
        HDC dc = ::GetDC(m_hButton);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 60; ++x) n += match(::GetPixel(dc, x, y)) ? 1 : 0;
        ::ReleaseDC(m_hButton, dc);
        return n;
    };
    EXPECT_GT(countColour([](COLORREF c) { return c == RGB(0, 0, 0); }), 10);
    ::EnableWindow(m_hButton, FALSE);
    EXPECT_TRUE(PumpUntilIdle());
    EXPECT_EQ(0, countColour([](COLORREF c) { return c == RGB(0, 0, 0); }));
    EXPECT_GT(countColour([](COLORREF c) { return c == RGB(162, 162, 162); }), 10);
    ::DestroyWindow(m_host.m_hWnd);
    ::DeleteObject(plain);
}
