// ReadAheadPace: the pace of each span of fills, and the choice it makes for the fills after it.
#include "ReadAheadPace.h"

#include <algorithm>

void ReadAheadPace::StartSpan(uint32_t nowMs)
{
    m_spanStart = nowMs;
    m_nSpanBytes = 0;
}

void ReadAheadPace::Note(size_t n, uint32_t nowMs, bool bArrived)
{
    if (bArrived) m_nLargestArrived = std::max(m_nLargestArrived, n);
    const uint32_t sinceLastFill = nowMs - m_lastFill;
    m_lastFill = nowMs;
    // The first fill's wait includes the server's answer, so the first span starts where that fill ends.
    if (!m_bStarted) {
        m_bStarted = true;
        StartSpan(nowMs);
        return;
    }
    if (!bArrived && sinceLastFill > kWaitMs) {
        m_bWholeBuffer = false;
        StartSpan(nowMs);
        return;
    }
    m_nSpanBytes += n;
    const uint32_t elapsed = nowMs - m_spanStart;
    if (elapsed < kSpanMs) return;
    // A library that already hands over whole buffers is never made to wait.
    m_bWholeBuffer = m_nLargestArrived < m_nBufferSize && m_nSpanBytes >= uint64_t(kFastBytesPerMs) * elapsed;
    StartSpan(nowMs);
}
