// RefreshPacer: lets a periodic display refresh run at most once per period, from a timer or elsewhere; portable.
#pragma once

#include <cstdint>

// Window timers are generated only when no posted message waits, so a download posting progress after
// every chunk can starve them. The window then also refreshes from its progress handler, and both paths
// ask the pacer, so the display changes neither more often than the period nor much later than due.
class RefreshPacer {
public:
    // minGapMs is the period less a tolerance for timer jitter, so a tick arriving slightly early still counts.
    explicit RefreshPacer(uint32_t minGapMs) : m_minGap(minGapMs) {}

    // Pacing starts as the timer does: the first refresh is due one gap after nowMs.
    void Start(uint32_t nowMs);

    // True, and the refresh counted as done at nowMs, when the last one lies at least the gap back;
    // always false before Start. Millisecond counters wrap after 49.7 days; the unsigned difference
    // stays right across the wrap.
    bool Due(uint32_t nowMs);

private:
    uint32_t m_minGap;
    uint32_t m_last = 0;
    bool m_started = false;
};
