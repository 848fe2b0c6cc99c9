// ReadAheadPace: whole-buffer fills only while the fills keep a fast pace and the library hands over less.
#include <gtest/gtest.h>

#include "ReadAheadPace.h"

namespace {

const size_t kBuffer = 64 * 1024;

// Feeds `count` fills of n bytes, stepMs apart after *pNow; returns how many of them were followed by a
// whole-buffer fill being due.
int Feed(ReadAheadPace& pace, uint32_t* pNow, int count, size_t n, uint32_t stepMs, bool bArrived = true)
{
    int due = 0;
    for (int i = 0; i < count; ++i) {
        *pNow += stepMs;
        pace.Note(n, *pNow, bArrived);
        due += pace.WholeBufferDue();
    }
    return due;
}

}  // namespace

TEST(ReadAheadPace, WholeBuffersOnlyAfterASpanAtAFastPace)
{
    // 40 KiB a millisecond in fills of what has arrived: not before the first span has ended, then at every fill.
    ReadAheadPace fast(kBuffer);
    uint32_t now = 1000;
    EXPECT_EQ(Feed(fast, &now, 1, 8192, 5000), 0);  // the first fill's wait (the answer) is not measured
    EXPECT_EQ(Feed(fast, &now, 49, 40960, 1), 0);
    EXPECT_EQ(Feed(fast, &now, 1, 40960, 1), 1);
    EXPECT_EQ(Feed(fast, &now, 100, kBuffer, 1, false), 100);

    // A link held to 10 MB/s, and 8 KB/s in the pieces a slow link brings: never; nor at any pace once the
    // library has handed over a whole buffer in a fill of what had arrived.
    ReadAheadPace slow(kBuffer), whole(kBuffer);
    now = 0;
    EXPECT_EQ(Feed(slow, &now, 2000, 10000, 1), 0);
    EXPECT_EQ(Feed(slow, &now, 2000, 400, 50), 0);
    EXPECT_EQ(Feed(slow, &now, 2000, 1460, 180), 0);
    EXPECT_EQ(Feed(whole, &now, 1, kBuffer, 1), 0);
    EXPECT_EQ(Feed(whole, &now, 1000, 40960, 1), 0);
}

TEST(ReadAheadPace, AWholeFillThatOutlastsTheWaitReturnsToWhatHasArrived)
{
    ReadAheadPace pace(kBuffer);
    uint32_t now = 0xFFFFFFF0u;  // across the clock's wrap
    Feed(pace, &now, 1, 100, 0);
    Feed(pace, &now, 60, 40960, 1);
    ASSERT_TRUE(pace.WholeBufferDue());
    // The link slows: one whole fill waits longer than it should, and the next takes what has arrived.
    EXPECT_EQ(Feed(pace, &now, 1, kBuffer, ReadAheadPace::kWaitMs + 1, false), 0);
    // The span of slow fills that follows keeps them so; a fast span again brings whole buffers back.
    EXPECT_EQ(Feed(pace, &now, 200, 512, 5), 0);
    EXPECT_GT(Feed(pace, &now, 60, 40960, 1), 0);
}
