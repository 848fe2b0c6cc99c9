// Progress presentation: filled width in whole KB, the size and speed texts, the promotional rotation.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "ProgressDisplay.h"

using ProgressDisplay::FilledWidth;

TEST(ProgressWidth, MinimumOfTwoPixelsWithoutAUsableTotal)
{
    EXPECT_EQ(2u, FilledWidth(0, 0, 395));
    EXPECT_EQ(2u, FilledWidth(5000, 0, 395));
    EXPECT_EQ(2u, FilledWidth(500, 500, 395));   // under 1 KB: no division by zero
    EXPECT_EQ(2u, FilledWidth(1023, 1023, 395));
    EXPECT_EQ(2u, FilledWidth(0, 10 << 20, 395));
    EXPECT_EQ(2u, FilledWidth(4 << 10, 1000 << 10, 395));  // 1.58 px rounds down, then the minimum
}

TEST(ProgressWidth, CompleteAndPartialDownloads)
{
    EXPECT_EQ(395u, FilledWidth(10 << 20, 10 << 20, 395));
    EXPECT_EQ(395u, FilledWidth(1024, 1024, 395));
    // A resumed transfer of 3 MiB out of 12 MiB stands at a quarter of the track.
    EXPECT_EQ(98u, FilledWidth(3 << 20, 12 << 20, 395));
    // Bytes below a whole KB do not count: 1023 of 2048 bytes is zero whole KB.
    EXPECT_EQ(2u, FilledWidth(1023, 2048, 395));
    EXPECT_EQ(197u, FilledWidth(1024, 2048, 395));
    // The largest sizes stay within 32-bit arithmetic.
    EXPECT_EQ(197u, FilledWidth(0x7FFFFFFFu, 0xFFFFFFFFu, 395));
    EXPECT_EQ(395u, FilledWidth(0xFFFFFFFFu, 0xFFFFFFFFu, 395));
}

TEST(ProgressWidth, MoreThanTheTotalStaysOnTheTrack)
{
    EXPECT_EQ(395u, FilledWidth(20 << 20, 10 << 20, 395));
}

TEST(ProgressTexts, MegabytesAndSpeed)
{
    EXPECT_EQ(CString("10.00M"), ProgressDisplay::Megabytes(10 << 20));
    EXPECT_EQ(CString("1.50M"), ProgressDisplay::Megabytes(3 << 19));
    EXPECT_EQ(CString("0.00M"), ProgressDisplay::Megabytes(0));
    EXPECT_EQ(CString("4096.00M"), ProgressDisplay::Megabytes(0xFFFFFFFFu));
    EXPECT_EQ(CString("57KB/\xC3\xEB"), ProgressDisplay::Speed(57));
    EXPECT_EQ(CString("0KB/\xC3\xEB"), ProgressDisplay::Speed(0));
}

TEST(PromotionLines, EightDistinctLinesInRotation)
{
    std::set<std::string> lines;
    for (uint32_t tick = 0; tick < 8; ++tick) {
        const char* line = ProgressDisplay::PromotionLine(tick);
        ASSERT_GT(std::strlen(line), 0u);
        ASSERT_LT(std::strlen(line), 260u);
        lines.insert(line);
    }
    EXPECT_EQ(8u, lines.size());
    // The ninth tick shows the first line again; the counter may run past 32 bits' worth of ticks.
    EXPECT_STREQ(ProgressDisplay::PromotionLine(0), ProgressDisplay::PromotionLine(8));
    EXPECT_STREQ(ProgressDisplay::PromotionLine(3), ProgressDisplay::PromotionLine(0xFFFFFFFBu));
}
