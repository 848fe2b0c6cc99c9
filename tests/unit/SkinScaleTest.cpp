// The display scale's arithmetic: rounding of skin lengths, edges that meet, the drawing chosen, art resampled.
#include <gtest/gtest.h>

#include "CornerScan.h"
#include "DpiScale.h"
#include "MessageLayout.h"
#include "ResampleArt.h"
#include "StretchFrame.h"

namespace {

const uint32_t kKey = 0xFF00FF;
const int kScales[] = {96, 120, 144, 168, 192, 240};

TEST(DpiScale, RoundsHalvesAwayFromZeroAndKeepsNeighboursMeeting)
{
    EXPECT_EQ(437, DpiScale(96).Px(437));
    EXPECT_EQ(656, DpiScale(144).Px(437));  // 655.5
    EXPECT_EQ(381, DpiScale(144).Px(254));
    EXPECT_EQ(874, DpiScale(192).Px(437));
    EXPECT_EQ(-656, DpiScale(144).Px(-437));
    EXPECT_EQ(546, DpiScale(120).Px(437));  // 546.25
    EXPECT_EQ(96, DpiScale(0).Dpi());
    for (int dpi : kScales) {
        const DpiScale scale(dpi);
        // The size caption ends where its value begins; the amount caption where its value begins.
        const ScaledRect caption(scale, 289, 64, 60, 20), value(scale, 349, 64, 100, 20);
        EXPECT_EQ(caption.x + caption.cx, value.x) << dpi;
        for (int x = 0; x < 500; ++x) {
            EXPECT_LE(scale.Px(x), scale.Px(x + 1)) << dpi << " at " << x;
            EXPECT_EQ(ScaledRect(scale, x, 0, 7, 1).x + ScaledRect(scale, x, 0, 7, 1).cx,
                      ScaledRect(scale, x + 7, 0, 3, 1).x);
        }
    }
}

TEST(DpiScale, TakesTheDrawingAtOrAboveTheScaleAndTheLargestAboveAll)
{
    EXPECT_EQ(96, DpiScale(96).ArtDpi());
    EXPECT_EQ(96, DpiScale(72).ArtDpi());
    for (int dpi : {97, 120, 144, 168, 192}) EXPECT_EQ(192, DpiScale(dpi).ArtDpi()) << dpi;
    EXPECT_EQ(192, DpiScale(288).ArtDpi());
}

TEST(DpiScale, ScalesTheFramesCornersAndTheMessageButtons)
{
    const DpiScale scale(144);
    CornerScan c[4];
    CornerScans(188, 192, 300, 200, c, scale.Px(kCornerSize));
    EXPECT_EQ(188 - 15, c[1].x0);
    EXPECT_EQ(192 - 15, c[2].y0);
    const auto pieces = PlanStretchFrame(300, 200, 188, 192, scale.Px(kFrameSide), scale.Px(kFrameBand));
    EXPECT_EQ(23, pieces[0].dw);
    EXPECT_EQ(42, pieces[0].dh);
    EXPECT_EQ(300 - 23, pieces[2].dx);
    EXPECT_EQ(200 - 42, pieces[8].dy);
    // One line, a question, in a window 1.5 times 254 wide: the pair stays centred.
    const MessageButtons b = PlaceMessageButtons(Question, 381, 1, scale);
    EXPECT_EQ(scale.Px(73), b.top);
    EXPECT_EQ(190 - 102, b.okX);
    EXPECT_EQ(b.okX + 123, b.cancelX);
    EXPECT_EQ(190 - 41, PlaceMessageButtons(Information, 381, 1, scale).okX);
    const MessageButtons base = PlaceMessageButtons(Question, 254, 1);
    EXPECT_EQ(73, base.top);
    EXPECT_EQ(59, base.okX);
    EXPECT_EQ(141, base.cancelX);
}

ArtImage Image(int w, int h, uint32_t fill)
{
    ArtImage image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<size_t>(w) * h, fill);
    return image;
}

uint32_t& At(ArtImage& image, int x, int y)
{
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

TEST(ResampleArt, AveragesAreasAndKeepsTheKeyACutNeverABlend)
{
    // A 4 x 4 drawing: a key-coloured top-left quarter, one key pixel in the top-right quarter,
    // black and white columns below.
    ArtImage art = Image(4, 4, 0x204060);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) At(art, x, y) = kKey;
    At(art, 3, 0) = kKey;
    for (int y = 2; y < 4; ++y) {
        At(art, 0, y) = 0x000000;
        At(art, 1, y) = 0xFFFFFF;
    }
    const ArtImage half = ResampleArt(art, 1, 2, 2);
    ASSERT_EQ(2, half.width);
    ASSERT_EQ(2, half.height);
    EXPECT_EQ(kKey, half.pixels[0]);
    // Three quarters colour and one quarter key: the colour alone, not a pink blend.
    EXPECT_EQ(0x204060u, half.pixels[1]);
    EXPECT_EQ(0x808080u, half.pixels[2]);
    EXPECT_EQ(0x204060u, half.pixels[3]);

    // Three quarters of a pixel of 1.5 times the drawing's: the shown pixels straddling drawn ones.
    const ArtImage threeQuarters = ResampleArt(art, 1, 3, 3);
    EXPECT_EQ(kKey, threeQuarters.pixels[0]);
    for (uint32_t p : threeQuarters.pixels) EXPECT_TRUE(p == kKey || (p & 0xFF00FF) != 0xFF00FF) << std::hex << p;
}

TEST(ResampleArt, ResamplesEachCellOnItsOwnAndNeverMakesTheKeyByAveraging)
{
    // Three state cells of 2 x 2, each a flat colour: no row of a cell takes colour from its neighbour.
    ArtImage strip = Image(2, 6, 0);
    const uint32_t colours[] = {0x102030, 0xF0E0D0, 0x00FF00};
    for (int cell = 0; cell < 3; ++cell)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) At(strip, x, cell * 2 + y) = colours[cell];
    const ArtImage scaled = ResampleArt(strip, 3, 3, 3);
    ASSERT_EQ(3, scaled.width);
    ASSERT_EQ(9, scaled.height);
    for (int cell = 0; cell < 3; ++cell)
        for (int i = 0; i < 9; ++i) EXPECT_EQ(colours[cell], scaled.pixels[cell * 9 + i]) << cell << "/" << i;

    // Two colours one step off the key on either side round to the key's own value: shown one step off it,
    // so that no hole is cut where the drawing has none.
    ArtImage pair = Image(2, 1, 0xFF00FE);
    At(pair, 1, 0) = 0xFE00FF;
    EXPECT_EQ(0xFE00FFu, ResampleArt(pair, 1, 1, 1).pixels[0]);
    EXPECT_TRUE(ResampleArt(Image(0, 0, 0), 1, 2, 2).pixels.empty());
    EXPECT_TRUE(ResampleArt(Image(2, 2, 0), 1, 0, 2).pixels.empty());
}

}  // namespace
