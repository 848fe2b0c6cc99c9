// Refresh pacing: a timer and a progress handler share one gap, across the millisecond counter's wrap.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "RefreshPacer.h"

namespace {

// The times at which refreshes happen when the pacer is asked at each of the given times.
std::vector<uint32_t> Refreshes(RefreshPacer& pacer, const std::vector<uint32_t>& asks)
{
    std::vector<uint32_t> done;
    for (uint32_t t : asks)
        if (pacer.Due(t)) done.push_back(t);
    return done;
}

}  // namespace

TEST(RefreshPacer, NothingBeforeStartThenOneGapAfterIt)
{
    RefreshPacer pacer(950);
    EXPECT_TRUE(Refreshes(pacer, {0, 1000, 5000}).empty());
    pacer.Start(5000);
    EXPECT_EQ((std::vector<uint32_t>{5950, 7000}), Refreshes(pacer, {5000, 5001, 5949, 5950, 6000, 6899, 7000}));
}

TEST(RefreshPacer, ProgressAsksBetweenTimerTicksNeverRefreshTwiceInAGap)
{
    // Timer ticks every 1000 ms, progress every 7 ms: refreshes stay at least 950 ms apart and
    // never more than a tick late.
    RefreshPacer pacer(950);
    pacer.Start(99000);
    std::vector<uint32_t> asks;
    for (uint32_t t = 100000; t < 110000; t += 7) asks.push_back(t);
    for (uint32_t t = 100000; t < 110000; t += 1000) asks.push_back(t);
    std::sort(asks.begin(), asks.end());
    std::vector<uint32_t> done = Refreshes(pacer, asks);
    ASSERT_GE(done.size(), 9u);
    for (size_t i = 1; i < done.size(); ++i) {
        EXPECT_GE(done[i] - done[i - 1], 950u);
        EXPECT_LE(done[i] - done[i - 1], 1000u);
    }
}

TEST(RefreshPacer, StarvedTimerIsReplacedByProgressAsks)
{
    RefreshPacer pacer(950);
    pacer.Start(0);
    std::vector<uint32_t> asks;
    for (uint32_t t = 0; t < 5000; t += 300) asks.push_back(t);
    EXPECT_EQ((std::vector<uint32_t>{1200, 2400, 3600, 4800}), Refreshes(pacer, asks));
}

TEST(RefreshPacer, GapHoldsAcrossTheCounterWrap)
{
    RefreshPacer pacer(950);
    pacer.Start(0xFFFFFA00u);
    EXPECT_TRUE(pacer.Due(0xFFFFFF00u));
    EXPECT_FALSE(pacer.Due(0x00000100u));  // 512 ms later, past the wrap
    EXPECT_TRUE(pacer.Due(0x000002B6u));   // 950 ms later
}
