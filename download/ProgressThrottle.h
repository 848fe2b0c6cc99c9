// ProgressThrottle: which chunks of a transfer post their progress, and the average speed they post; portable.
#pragma once

#include <cstdint>

// A transfer reads 512 bytes at a time, far more often than a window can take messages: a post for every
// chunk floods the receiving thread's queue (10,000 posted messages at most on Windows) and starves its
// timers. Progress is therefore posted for the first chunk and then at most once per interval, and the
// transfer posts its final values once more when it ends.
class ProgressThrottle {
public:
    static constexpr uint32_t kIntervalMs = 50;

    // startMs: the millisecond clock when the transfer request was answered.
    explicit ProgressThrottle(uint32_t startMs) : m_start(startMs), m_lastPost(startMs) {}

    // True for the first chunk and whenever kIntervalMs or more have passed since the last post, which it
    // then counts from nowMs. The unsigned differences stay right across the clock's wrap after 49.7 days.
    bool Due(uint32_t nowMs);

    // The average speed of `received` bytes in KB/s over the whole seconds since the start; within the first
    // second, the kilobytes received.
    float SpeedKBps(uint32_t received, uint32_t nowMs) const;

private:
    uint32_t m_start;
    uint32_t m_lastPost;
    bool m_posted = false;
};
