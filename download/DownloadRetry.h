// DownloadRetry: whether a download that did not complete is tried again within the run, and when; portable.
#pragma once

#include <cstdint>

#include "DownloadOutcome.h"

class DownloadRetry {
public:
    // Attempts in one run, the first included.
    static constexpr int kAttempts = 3;

    // The wait in milliseconds before attempt `next` (counted from 1) that follows one ending with `outcome`;
    // 0 when there is to be no such attempt. Only a failure that asking again may mend is retried, resuming
    // from the temporary file: first after 2 s, then after 5 s.
    static uint32_t WaitBefore(int next, DownloadOutcome outcome);
};
