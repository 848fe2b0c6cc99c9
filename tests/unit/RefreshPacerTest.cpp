// Refresh pacing: a starved timer's refresh becomes overdue, a ticking timer's never does, across the counter wrap.
#include <gtest/gtest.h>

#include <vector>

#include "RefreshPacer.h"

namespace {

// A window as the installer runs it: timer ticks refresh; progress asks refresh when overdue and restart
// the timer's period. Returns the times of all refreshes up to endMs.
std::vector<uint32_t> Simulate(uint32_t periodMs, uint32_t lateAfterMs, uint32_t progressEveryMs, bool timerStarved,
                          uint32_t endMs)
{
    RefreshPacer pacer(lateAfterMs);
    pacer.Start(0);
    uint32_t nextTick = periodMs;
    std::vector<uint32_t> done;
    for (uint32_t t = 1; t <= endMs; ++t) {
        if (!timerStarved && t == nextTick) {
            pacer.Refreshed(t);
            done.push_back(t);
            nextTick += periodMs;
        }
        if (t % progressEveryMs == 0 && pacer.Overdue(t)) {
            pacer.Refreshed(t);
            done.push_back(t);
            nextTick = t + periodMs;
        }
    }
    return done;
}

}  // namespace

TEST(RefreshPacer, NothingIsOverdueBeforeStart)
{
    RefreshPacer pacer(1250);
    EXPECT_FALSE(pacer.Overdue(0));
    EXPECT_FALSE(pacer.Overdue(100000));
    pacer.Start(100000);
    EXPECT_FALSE(pacer.Overdue(101249));
    EXPECT_TRUE(pacer.Overdue(101250));
}

TEST(RefreshPacer, ATickingTimerAloneRefreshes)
{
    EXPECT_EQ((std::vector<uint32_t>{1000, 2000, 3000, 4000, 5000}), Simulate(1000, 1250, 7, false, 5000));
}

TEST(RefreshPacer, AStarvedTimerIsReplacedByProgress)
{
    // Progress every 7 ms: refreshes 1.25 s apart or a few ms more, never closer.
    std::vector<uint32_t> done = Simulate(1000, 1250, 7, true, 10000);
    ASSERT_EQ(7u, done.size());
    for (size_t i = 1; i < done.size(); ++i) {
        EXPECT_GE(done[i] - done[i - 1], 1250u);
        EXPECT_LT(done[i] - done[i - 1], 1257u);
    }
}

TEST(RefreshPacer, OverdueHoldsAcrossTheCounterWrap)
{
    RefreshPacer pacer(1250);
    pacer.Start(0xFFFFFF00u);
    EXPECT_FALSE(pacer.Overdue(0x00000100u));  // 512 ms later, past the wrap
    EXPECT_TRUE(pacer.Overdue(0x000003E2u));   // 1250 ms later
}
