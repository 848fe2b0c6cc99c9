// ContentRangeTotal: the complete length of a Content-Range value, and the values it refuses.
#include <gtest/gtest.h>

#include "ContentRange.h"

TEST(ContentRange, TheLengthAfterTheSlash)
{
    uint32_t total = 7;
    EXPECT_TRUE(ContentRangeTotal("bytes 0-0/102437", total));
    EXPECT_EQ(total, 102437u);
    EXPECT_TRUE(ContentRangeTotal("bytes 40000-102436/102437", total));
    EXPECT_EQ(total, 102437u);
    EXPECT_TRUE(ContentRangeTotal(" bytes */0 ", total));
    EXPECT_EQ(total, 0u);
    EXPECT_TRUE(ContentRangeTotal("bytes 0-0/4294967295", total));
    EXPECT_EQ(total, 4294967295u);
}

TEST(ContentRange, MalformedOrUnknownLengthsAreRefused)
{
    for (const char* value : {"", "bytes", "bytes 0-0/*", "bytes 0-0/", "bytes 0-0", "items 0-0/10",
                              "bytes 5-4/10", "bytes 0-10/10", "bytes -1/10", "bytes 0-0/10x", "bytes 0-0/4294967296",
                              "bytes 0-99999999999999999999/1", "bytes */", "bytes 0-0//10"}) {
        uint32_t total = 7;
        EXPECT_FALSE(ContentRangeTotal(value, total)) << value;
        EXPECT_EQ(total, 7u) << value;
    }
}
