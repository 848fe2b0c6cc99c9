// SkinLabel on a real dialog: font description, transparent paint, and no trace of a longer old text.
#include <gtest/gtest.h>

#include "SkinLabel.h"
#include "SkinTest.h"
#include "SkinTestSupport.h"

namespace {

const COLORREF kInk = RGB(200, 20, 20);

class SkinLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_host.Open(320, 220, 260, 110);
        m_hLabel = ::GetDlgItem(m_host.m_hWnd, IDC_SKIN_TEST_LABEL);
        ASSERT_TRUE(m_label.SubclassWindow(m_hLabel));
        // Below the template's buttons, which would paint over the label's area themselves.
        m_label.MoveWindow(10, 60, 220, 40, TRUE);
        m_label.SetFontSize(14).SetTextColor(kInk);
    }

    // Pixels of the label's rectangle from column x0 on: how many show ink, how many the host's background.
    void Count(int x0, int* ink, int* background)
    {
        *ink = *background = 0;
        HDC dc = ::GetDC(m_hLabel);
        for (int y = 0; y < 40; ++y)
            for (int x = x0; x < 220; ++x) {
                const COLORREF c = ::GetPixel(dc, x, y);
                if (c == m_host.m_crBackground)
                    ++*background;
                else if (GetRValue(c) > GetGValue(c) + 40)
                    ++*ink;
            }
        ::ReleaseDC(m_hLabel, dc);
    }

    TestHost m_host;
    SkinLabel m_label;
    HWND m_hLabel = nullptr;
};

}  // namespace

TEST(SkinLabelFont, SizeAndWeightDescribeTheFont)
{
    SkinLabel label;
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), label.GetTextColor());
    LOGFONTA stock = {};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    EXPECT_STREQ(stock.lfFaceName, label.GetFontDescription().lfFaceName);

    label.SetFontSize(12).SetFontBold(TRUE);
    EXPECT_EQ(-12, label.GetFontDescription().lfHeight);
    EXPECT_EQ(700, label.GetFontDescription().lfWeight);
    LOGFONTA made = {};
    ASSERT_EQ(static_cast<int>(sizeof made), ::GetObjectA(label.GetTextFont(), sizeof made, &made));
    EXPECT_EQ(-12, made.lfHeight);
    EXPECT_EQ(700, made.lfWeight);

    EXPECT_EQ(400, label.SetFontBold(FALSE).GetFontDescription().lfWeight);
    EXPECT_EQ(RGB(4, 84, 181), label.SetTextColor(RGB(4, 84, 181)).GetTextColor());
}

TEST_F(SkinLabelTest, DrawsTransparentlyAndLeavesNoTraceOfALongerText)
{
    m_label.SetText("WWWWWWWWWWWWWWWWWWWW");
    EXPECT_TRUE(PumpUntilIdle());
    int ink = 0, background = 0;
    Count(40, &ink, &background);
    ASSERT_GT(ink, 50) << "the long text shows beyond column 40";
    EXPECT_GT(background, 1000) << "no background is filled under the text";

    m_label.SetText("i");
    EXPECT_TRUE(PumpUntilIdle());
    Count(40, &ink, &background);
    EXPECT_EQ(0, ink);
    EXPECT_EQ(180 * 40, background);

    // The same text again still repaints: scribble over the label, then set it.
    HDC dc = ::GetDC(m_hLabel);
    RECT junk = {100, 0, 200, 40};
    HBRUSH red = ::CreateSolidBrush(kInk);
    ::FillRect(dc, &junk, red);
    ::DeleteObject(red);
    ::ReleaseDC(m_hLabel, dc);
    Count(40, &ink, &background);
    ASSERT_GT(ink, 1000);
    m_label.SetText("i");
    EXPECT_TRUE(PumpUntilIdle());
    Count(40, &ink, &background);
    EXPECT_EQ(0, ink);
}

TEST_F(SkinLabelTest, LineFeedStartsASecondLineFromTheLeft)
{
    m_label.SetText("W\nW");
    EXPECT_TRUE(PumpUntilIdle());
    HDC dc = ::GetDC(m_hLabel);
    int top = 0, bottom = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 20; ++x) {
            const COLORREF c = ::GetPixel(dc, x, y);
            if (GetRValue(c) > GetGValue(c) + 40) (y < 16 ? top : bottom)++;
        }
    ::ReleaseDC(m_hLabel, dc);
    EXPECT_GT(top, 5);
    EXPECT_GT(bottom, 5);
}
