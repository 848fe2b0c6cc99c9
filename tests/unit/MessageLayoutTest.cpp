// Message dialog arithmetic: line splitting, window size, text and button places, the nine-piece frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "MessageLayout.h"
#include "StretchFrame.h"

TEST(MessageLayout, SizeFollowsLongestLineInBytesAndLineCount)
{
    const MessageLayout one32 = LayoutMessage("0123456789012345678901234567890x");
    ASSERT_EQ(1u, one32.lines.size());
    EXPECT_EQ(254, one32.width);
    EXPECT_EQ(110, one32.height);

    const MessageLayout shortLine = LayoutMessage("0123456789012345678901");
    EXPECT_EQ(199, shortLine.width);
    EXPECT_EQ(110, shortLine.height);

    EXPECT_EQ(112, LayoutMessage("a\nb").height);
    EXPECT_EQ(127, LayoutMessage("a\nb\nc").height);
    EXPECT_EQ(142, LayoutMessage("a\nb\nc\nd").height);

    // Chinese characters count two bytes each: 10 + 7 + 14 = 31 bytes.
    EXPECT_EQ(6 * 31 + 62, LayoutMessage("确认要退出Corvane在线安装程序？").width);
    EXPECT_EQ(6 * 30 + 62, LayoutMessage("获取安装信息失败，请稍后再试！").width);

    // The longest of several lines decides, wherever it stands.
    const MessageLayout mixed = LayoutMessage("short\n" + CString(std::string(50, 'x')) + "\nend");
    EXPECT_EQ(6 * 50 + 62, mixed.width);
    EXPECT_EQ(127, mixed.height);
}

TEST(MessageLayout, LineBreaks)
{
    const MessageLayout lf = LayoutMessage("first\nsecond");
    const MessageLayout crlf = LayoutMessage("first\r\nsecond");
    ASSERT_EQ(2u, lf.lines.size());
    ASSERT_EQ(2u, crlf.lines.size());
    EXPECT_STREQ("first", lf.lines[0]);
    EXPECT_STREQ("second", lf.lines[1]);
    EXPECT_EQ(lf.lines[0], crlf.lines[0]);
    EXPECT_EQ(lf.lines[1], crlf.lines[1]);
    EXPECT_EQ(lf.width, crlf.width);

    const MessageLayout trailing = LayoutMessage("only\n");
    ASSERT_EQ(1u, trailing.lines.size());
    EXPECT_STREQ("only", trailing.lines[0]);
    EXPECT_EQ(110, trailing.height);

    const MessageLayout empty = LayoutMessage("");
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_EQ(199, empty.width);
    EXPECT_EQ(110, empty.height);

    // A lone CR is text, not a line break.
    EXPECT_EQ(1u, LayoutMessage("a\rb").lines.size());
    // Empty lines inside a text keep their place.
    const MessageLayout gap = LayoutMessage("a\n\nb");
    ASSERT_EQ(3u, gap.lines.size());
    EXPECT_STREQ("", gap.lines[1]);
}

TEST(MessageLayout, TextAndButtonPlaces)
{
    EXPECT_EQ(48, MessageTextTop(1));
    EXPECT_EQ(40, MessageTextTop(0));
    EXPECT_EQ(40, MessageTextTop(2));

    const MessageButtons question = PlaceMessageButtons(Question, 254, 1);
    EXPECT_TRUE(question.showCancel);
    EXPECT_EQ(59, question.okX);
    EXPECT_EQ(141, question.cancelX);
    EXPECT_EQ(73, question.top);

    const MessageButtons info = PlaceMessageButtons(Information, 199, 1);
    EXPECT_FALSE(info.showCancel);
    EXPECT_EQ(72, info.okX);
    EXPECT_EQ(73, info.top);

    EXPECT_EQ(50, PlaceMessageButtons(Error, 199, 0).top);
    EXPECT_EQ(80, PlaceMessageButtons(Warning, 199, 2).top);
    EXPECT_EQ(95, PlaceMessageButtons(Question, 199, 3).top);
    // Kinds outside 1-4 offer OK alone.
    EXPECT_FALSE(PlaceMessageButtons(0, 199, 1).showCancel);
    EXPECT_FALSE(PlaceMessageButtons(9, 199, 1).showCancel);
    // The pair stays centred on odd widths too: OK's left gap equals CANCEL's right gap within a pixel.
    const MessageButtons odd = PlaceMessageButtons(Question, 301, 1);
    const int right = odd.cancelX + kMessageButtonWidth;
    EXPECT_LE(std::abs(odd.okX - (301 - right)), 2);
}

namespace {
// Index of the piece that painted each window pixel last, or -1.
std::vector<std::vector<int>> PaintOrder(int w, int h)
{
    std::vector<std::vector<int>> owner(h, std::vector<int>(w, -1));
    const auto pieces = PlanStretchFrame(w, h, 125, 128);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const BlitPiece& p = pieces[i];
        for (int y = p.dy; y < p.dy + p.dh; ++y)
            for (int x = p.dx; x < p.dx + p.dw; ++x)
                if (x >= 0 && y >= 0 && x < w && y < h) owner[y][x] = static_cast<int>(i);
    }
    return owner;
}
}  // namespace

TEST(StretchFrame, MinimumWindowBands)
{
    const auto owner = PaintOrder(199, 110);
    for (int y = 0; y < 110; ++y) {
        for (int x = 0; x < 199; ++x) {
            ASSERT_NE(-1, owner[y][x]) << x << "," << y;
            const int band = owner[y][x] / 3;
            // Top band rows 0-27, middle 28-81 (its row 82 is covered), bottom 82-109.
            const int expectedBand = y < 28 ? 0 : (y < 82 ? 1 : 2);
            ASSERT_EQ(expectedBand, band) << x << "," << y;
            const int column = owner[y][x] % 3;
            ASSERT_EQ(x < 15 ? 0 : (x < 184 ? 1 : 2), column) << x << "," << y;
        }
    }
    const auto pieces = PlanStretchFrame(199, 110, 125, 128);
    EXPECT_EQ(55, pieces[4].dh);  // the middle band is one row too high
    EXPECT_EQ(82, pieces[4].dy + pieces[4].dh - 1);
}

TEST(StretchFrame, SourcesOfEdgesAndCorners)
{
    const auto pieces = PlanStretchFrame(300, 150, 125, 128);
    ASSERT_EQ(9u, pieces.size());
    // Top edge: column 15 of the bitmap stretched across.
    EXPECT_EQ((BlitPiece{15, 0, 270, 28, 15, 0, 1, 28}), pieces[1]);
    // Right corners: bitmap columns 110-124 onto the window's last 15 columns.
    EXPECT_EQ((BlitPiece{285, 0, 15, 28, 110, 0, 15, 28}), pieces[2]);
    EXPECT_EQ((BlitPiece{285, 122, 15, 28, 110, 100, 15, 28}), pieces[8]);
    // Centre from one pixel.
    EXPECT_EQ((BlitPiece{15, 28, 270, 95, 15, 28, 1, 1}), pieces[4]);
}
