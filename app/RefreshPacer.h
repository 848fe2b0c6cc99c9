// RefreshPacer: tells when a refresh that a window timer drives is overdue, because the timer is starved; portable.
#pragma once

#include <cstdint>

// Window timers are generated only when no posted message waits, so a download posting progress after
// every chunk can starve them. The timer refreshes and marks the time; the progress handler asks whether
// the refresh is overdue, does it then, and restarts the timer, so that no tick follows right after.
class RefreshPacer {
public:
    // lateAfterMs: the timer's period plus the lateness a tick may have before it counts as starved.
    explicit RefreshPacer(uint32_t lateAfterMs) : m_lateAfter(lateAfterMs) {}

    // The timer starts: the first refresh is due one period after nowMs.
    void Start(uint32_t nowMs) { Refreshed(nowMs); }

    void Refreshed(uint32_t nowMs)
    {
        m_started = true;
        m_last = nowMs;
    }

    // True when the last refresh lies lateAfterMs or more back; false before Start. Millisecond counters
    // wrap after 49.7 days; the unsigned difference stays right across the wrap.
    bool Overdue(uint32_t nowMs) const { return m_started && nowMs - m_last >= m_lateAfter; }

private:
    uint32_t m_lateAfter;
    uint32_t m_last = 0;
    bool m_started = false;
};
