// DownloadRetry and OutcomeOfStatus: which ends of a download are tried again, how often and after how long.
#include <gtest/gtest.h>

#include "DownloadRetry.h"

TEST(DownloadRetry, AFailureIsTriedThreeTimesInAllAfter2sThen5s)
{
    EXPECT_EQ(DownloadRetry::WaitBefore(2, DownloadOutcome::Failed), 2000u);
    EXPECT_EQ(DownloadRetry::WaitBefore(3, DownloadOutcome::Failed), 5000u);
    EXPECT_EQ(DownloadRetry::WaitBefore(4, DownloadOutcome::Failed), 0u);
    EXPECT_EQ(DownloadRetry::WaitBefore(1, DownloadOutcome::Failed), 0u);
    EXPECT_EQ(DownloadRetry::WaitBefore(100, DownloadOutcome::Failed), 0u);
    EXPECT_EQ(DownloadRetry::kAttempts, 3);
}

TEST(DownloadRetry, NothingElseIsTriedAgain)
{
    for (DownloadOutcome outcome : {DownloadOutcome::Complete, DownloadOutcome::Stopped, DownloadOutcome::Refused,
                                    DownloadOutcome::Unwritable, DownloadOutcome::Unfinished}) {
        for (int next = 1; next <= 4; ++next)
            EXPECT_EQ(DownloadRetry::WaitBefore(next, outcome), 0u) << static_cast<int>(outcome) << " " << next;
    }
}

TEST(DownloadRetry, ClientErrorsAreFinalButTimeoutsThrottlingAndServerErrorsAreNot)
{
    for (uint32_t status : {400u, 401u, 403u, 404u, 405u, 410u, 416u, 451u, 499u})
        EXPECT_EQ(OutcomeOfStatus(status), DownloadOutcome::Refused) << status;
    for (uint32_t status : {300u, 304u, 408u, 429u, 500u, 502u, 503u, 504u, 599u})
        EXPECT_EQ(OutcomeOfStatus(status), DownloadOutcome::Failed) << status;
}
