// ProgressThrottle: the first chunk and then one chunk per 50 ms are posted, whatever the link's speed.
#include <gtest/gtest.h>

#include "ProgressThrottle.h"

namespace {

// Posts for `chunks` chunks read `stepMs` apart, starting at startMs.
int PostsFor(uint32_t startMs, uint32_t chunks, uint32_t stepMs)
{
    ProgressThrottle throttle(startMs);
    int posts = 0;
    for (uint32_t i = 1; i <= chunks; ++i) posts += throttle.Due(startMs + i * stepMs);
    return posts;
}

}  // namespace

TEST(ProgressThrottle, PostCountIsBoundedByTheElapsedTimeAtAnySpeed)
{
    // From a link so fast that no time passes between chunks to one slower than the interval.
    for (uint32_t step : {0u, 1u, 7u, 49u, 50u, 51u, 120u}) {
        const uint32_t chunks = 10000;
        const int posts = PostsFor(1000, chunks, step);
        EXPECT_LE(posts, static_cast<int>(chunks * step / ProgressThrottle::kIntervalMs) + 1) << step;
        EXPECT_GE(posts, 1) << step;
    }
    EXPECT_EQ(PostsFor(1000, 10000, 0), 1);
    EXPECT_EQ(PostsFor(1000, 100, 50), 100);
    EXPECT_EQ(PostsFor(1000, 100, 120), 100);
    // 10 ms apart: the first chunk, then every fifth after it (chunks 6, 11, ..., 96).
    EXPECT_EQ(PostsFor(1000, 100, 10), 20);
}

TEST(ProgressThrottle, TheIntervalCountsFromTheLastPost)
{
    ProgressThrottle throttle(0);
    EXPECT_TRUE(throttle.Due(30));
    EXPECT_FALSE(throttle.Due(79));
    EXPECT_TRUE(throttle.Due(80));
    EXPECT_FALSE(throttle.Due(129));
    EXPECT_TRUE(throttle.Due(500));
    EXPECT_FALSE(throttle.Due(549));
}

TEST(ProgressThrottle, HoldsAcrossTheClockWrap)
{
    ProgressThrottle throttle(0xFFFFFFF0u);
    EXPECT_TRUE(throttle.Due(0xFFFFFFFAu));
    EXPECT_FALSE(throttle.Due(20));
    EXPECT_TRUE(throttle.Due(0xFFFFFFFAu + 50));
    EXPECT_FLOAT_EQ(throttle.SpeedKBps(4096, 0xFFFFFFF0u + 2000), 2.0f);
}

TEST(ProgressThrottle, SpeedIsKilobytesPerWholeSecond)
{
    ProgressThrottle throttle(5000);
    // Within the first second: the kilobytes received.
    EXPECT_FLOAT_EQ(throttle.SpeedKBps(3072, 5999), 3.0f);
    EXPECT_FLOAT_EQ(throttle.SpeedKBps(3072, 5000), 3.0f);
    // 2.9 s count as 2.
    EXPECT_FLOAT_EQ(throttle.SpeedKBps(10240, 7900), 5.0f);
    EXPECT_FLOAT_EQ(throttle.SpeedKBps(1000, 8000), 1000.0f / 1024 / 3);
    EXPECT_FLOAT_EQ(throttle.SpeedKBps(0, 9000), 0.0f);
}
