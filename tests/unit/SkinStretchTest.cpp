// Stretching a state image onto a button: which image column and row every button pixel comes from.
#include <gtest/gtest.h>

#include <vector>

#include "CornerScan.h"
#include "StateStretch.h"

namespace {

struct Source {
    int x = -1, y = -1;
    int writes = 0;
};

// Runs the copies on a grid that records, for each button pixel, the strip pixel it received last.
std::vector<std::vector<Source>> Apply(const std::vector<BlitPiece>& pieces, int cw, int ch)
{
    std::vector<std::vector<Source>> grid(ch, std::vector<Source>(cw));
    for (const BlitPiece& p : pieces) {
        EXPECT_EQ(p.dw, p.sw);
        EXPECT_EQ(p.dh, p.sh);
        for (int j = 0; j < p.dh; ++j)
            for (int i = 0; i < p.dw; ++i) {
                const int x = p.dx + i, y = p.dy + j;
                if (x < 0 || y < 0 || x >= cw || y >= ch) {
                    ADD_FAILURE() << "copy outside the button at " << x << "," << y;
                    continue;
                }
                grid[y][x] = {p.sx + i, p.sy + j, grid[y][x].writes + 1};
            }
    }
    return grid;
}

// Edge replication along one axis: size n of the image, m of the button. Stretched axes keep the first and
// last halves and repeat the middle; cropped axes keep the first half of the button from the image's start
// and the rest from the image's end.
int AxisSource(int pos, int n, int m)
{
    if (n < m) {
        const int half = n / 2;
        if (pos < half) return pos;
        if (pos >= m - half) return half + (pos - (m - half));
        return (n - 1) / 2;
    }
    const int first = m / 2;
    return pos < first ? pos : n - (m - first) + (pos - first);
}

void ExpectSeparable(int w, int h, int cw, int ch, int sx, int sy)
{
    const auto grid = Apply(PlanStateStretch(w, h, cw, ch, sx, sy, false), cw, ch);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            const Source& s = grid[y][x];
            ASSERT_EQ(1, s.writes) << "pixel " << x << "," << y << " of " << cw << "x" << ch;
            ASSERT_EQ(sx + AxisSource(x, w, cw), s.x) << "column of " << x << "," << y;
            ASSERT_EQ(sy + AxisSource(y, h, ch), s.y) << "row of " << x << "," << y;
        }
}

}  // namespace

TEST(StateStretch, ExactlyOneCaseForEverySizePair)
{
    EXPECT_EQ(1, StateStretchCase(30, 24, 30, 24, false));
    EXPECT_EQ(1, StateStretchCase(30, 24, 70, 40, true));
    EXPECT_EQ(2, StateStretchCase(30, 24, 70, 40, false));
    EXPECT_EQ(3, StateStretchCase(30, 24, 70, 24, false));
    EXPECT_EQ(3, StateStretchCase(30, 24, 55, 23, false));
    EXPECT_EQ(4, StateStretchCase(30, 24, 30, 40, false));
    EXPECT_EQ(4, StateStretchCase(30, 24, 20, 40, false));
    EXPECT_EQ(5, StateStretchCase(30, 24, 20, 24, false));
    EXPECT_EQ(5, StateStretchCase(34, 28, 34, 27, false));
}

TEST(StateStretch, ExactSizeCopiesTheImageOnceFromItsOrigin)
{
    const auto pieces = PlanStateStretch(30, 24, 30, 24, 0, 48, false);
    ASSERT_EQ(1u, pieces.size());
    EXPECT_EQ((BlitPiece{0, 0, 30, 24, 0, 48, 30, 24}), pieces[0]);
    // A button resized after its exact size was set reads its whole size from the image's origin.
    const auto resized = PlanStateStretch(30, 24, 40, 30, 0, 24, true);
    ASSERT_EQ(1u, resized.size());
    EXPECT_EQ((BlitPiece{0, 0, 40, 30, 0, 24, 40, 30}), resized[0]);
}

TEST(StateStretch, AllFiveCasesFollowEdgeReplicationOnBothAxes)
{
    ExpectSeparable(30, 24, 70, 40, 0, 0);    // case 2
    ExpectSeparable(31, 25, 70, 40, 0, 25);   // case 2, odd sizes: the right piece starts at column 15
    ExpectSeparable(30, 24, 70, 24, 0, 0);    // case 3: columns 15-54 repeat column 14, 55-69 are 15-29
    ExpectSeparable(30, 24, 55, 23, 0, 72);   // case 3, the push buttons of the message box
    ExpectSeparable(30, 24, 20, 40, 0, 24);   // case 4
    ExpectSeparable(30, 24, 30, 41, 0, 0);    // case 4, equal width
    ExpectSeparable(30, 24, 20, 10, 0, 48);   // case 5
    ExpectSeparable(34, 28, 34, 27, 0, 28);   // case 5, the message box close button
    ExpectSeparable(24, 25, 24, 25, 0, 75);   // case 1
}

TEST(StateStretch, OddWidthNeverShowsTheLastColumnWhenStretched)
{
    const auto grid = Apply(PlanStateStretch(31, 24, 60, 24, 0, 0, false), 60, 24);
    for (int x = 0; x < 60; ++x) EXPECT_NE(30, grid[0][x].x) << x;
    EXPECT_EQ(15, grid[0][59 - 14].x);
    EXPECT_EQ(29, grid[0][59].x);
    EXPECT_EQ(15, grid[0][30].x);  // the middle column of 31 is 15
}

TEST(StateStretch, CopiesStayInsideTheirOwnImage)
{
    const int sizes[][2] = {{70, 40}, {70, 24}, {20, 40}, {20, 10}, {12, 50}, {90, 3}};
    for (const auto& size : sizes) {
        for (const BlitPiece& p : PlanStateStretch(30, 24, size[0], size[1], 0, 48, false)) {
            EXPECT_GE(p.sy, 48);
            EXPECT_LE(p.sy + p.sh, 72) << size[0] << "x" << size[1];
            EXPECT_GE(p.sx, 0);
            EXPECT_LE(p.sx + p.sw, 30) << size[0] << "x" << size[1];
        }
    }
}

TEST(StateStretch, StateImageOrigins)
{
    int sx = -1, sy = -1;
    StateImageOrigin(2, 30, 24, 1, &sx, &sy);
    EXPECT_EQ(0, sx);
    EXPECT_EQ(48, sy);  // the pressed image of a 30 x 96 strip of four
    StateImageOrigin(2, 30, 24, 4, &sx, &sy);
    EXPECT_EQ(60, sx);
    EXPECT_EQ(0, sy);
    StateImageOrigin(0, 34, 28, 1, &sx, &sy);
    EXPECT_EQ(0, sx);
    EXPECT_EQ(0, sy);
}

TEST(CornerScan, RightAndBottomSquaresFollowTheWindowEdges)
{
    CornerScan c[4];
    CornerScans(437, 254, 437, 254, c);
    EXPECT_EQ(0, c[0].x0);
    EXPECT_EQ(427, c[1].x0);
    EXPECT_EQ(244, c[2].y0);
    for (const CornerScan& s : c) {
        EXPECT_EQ(0, s.offsetX);
        EXPECT_EQ(0, s.offsetY);
    }

    // 20 wider: the right squares move right by 20; bitmap column 436 lands on window column 456.
    CornerScans(437, 254, 457, 254, c);
    EXPECT_EQ(0, c[0].offsetX);
    EXPECT_EQ(20, c[1].offsetX);
    EXPECT_EQ(0, c[2].offsetX);
    EXPECT_EQ(20, c[3].offsetX);
    EXPECT_EQ(436 + c[1].offsetX, 456);

    // Smaller than its bitmap: negative offsets, still onto the window's own corners.
    CornerScans(125, 128, 110, 100, c);
    EXPECT_EQ(-15, c[1].offsetX);
    EXPECT_EQ(0, c[1].offsetY);
    EXPECT_EQ(-28, c[2].offsetY);
    EXPECT_EQ(-15, c[3].offsetX);
    EXPECT_EQ(-28, c[3].offsetY);
    EXPECT_EQ(124 + c[3].offsetX, 109);
    EXPECT_EQ(127 + c[3].offsetY, 99);

    // Narrower than a corner: the right square starts left of the bitmap.
    CornerScans(8, 30, 8, 30, c);
    EXPECT_EQ(-2, c[1].x0);
    EXPECT_EQ(20, c[2].y0);
}
