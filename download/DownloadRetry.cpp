// DownloadRetry: the retry schedule.
#include "DownloadRetry.h"

uint32_t DownloadRetry::WaitBefore(int next, DownloadOutcome outcome)
{
    static const uint32_t kWaitsMs[kAttempts + 1] = {0, 0, 2000, 5000};
    if (outcome != DownloadOutcome::Failed || next < 2 || next > kAttempts) return 0;
    return kWaitsMs[next];
}
