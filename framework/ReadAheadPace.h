// ReadAheadPace: whether a read-ahead fill may wait for a whole buffer, from the pace the fills have kept; portable.
#pragma once

#include <cstddef>
#include <cstdint>

// A fill normally takes only what has arrived. Where the library hands over less than a buffer per call (Wine's
// WinInet holds 8 KiB) while the link delivers far more, each call's fixed cost, not the link, sets the pace. So
// a fill may instead wait for a whole buffer, but only while the fills of the last span kept kFastBytesPerMs or
// more: at that pace the wait is short. Below it, fills of what has arrived keep up with the link (under Wine,
// waiting for whole buffers on a link held to 10 MB/s costs 3 % more time), and on a slow link a fill never
// waits for more than has arrived. When the link slows down, the first whole-buffer fill that outlasts kWaitMs
// ends them: the fills after it take what has arrived until a span is fast again.
class ReadAheadPace {
public:
    static constexpr uint32_t kSpanMs = 50;
    static constexpr uint32_t kFastBytesPerMs = 32 * 1024;
    static constexpr uint32_t kWaitMs = 50;

    explicit ReadAheadPace(size_t nBufferSize) : m_nBufferSize(nBufferSize) {}

    // A fill of n bytes ended at nowMs (a millisecond clock; the unsigned differences stay right across its
    // wrap). bArrived: the fill took only what had arrived, so n is what the library hands over in one call.
    void Note(size_t n, uint32_t nowMs, bool bArrived);

    // The next fill may wait for a whole buffer.
    bool WholeBufferDue() const { return m_bWholeBuffer; }

private:
    void StartSpan(uint32_t nowMs);

    size_t m_nBufferSize;
    // The most that one fill of what had arrived has brought.
    size_t m_nLargestArrived = 0;
    bool m_bStarted = false;
    uint32_t m_lastFill = 0;
    uint32_t m_spanStart = 0;
    uint64_t m_nSpanBytes = 0;
    bool m_bWholeBuffer = false;
};
