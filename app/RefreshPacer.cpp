// RefreshPacer: the gap check between display refreshes.
#include "RefreshPacer.h"

void RefreshPacer::Start(uint32_t nowMs)
{
    m_started = true;
    m_last = nowMs;
}

bool RefreshPacer::Due(uint32_t nowMs)
{
    if (!m_started || nowMs - m_last < m_minGap) return false;
    m_last = nowMs;
    return true;
}
