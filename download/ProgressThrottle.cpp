// ProgressThrottle: the post interval and the whole-second average speed.
#include "ProgressThrottle.h"

bool ProgressThrottle::Due(uint32_t nowMs)
{
    if (m_posted && nowMs - m_lastPost < kIntervalMs) return false;
    m_posted = true;
    m_lastPost = nowMs;
    return true;
}

float ProgressThrottle::SpeedKBps(uint32_t received, uint32_t nowMs) const
{
    const uint32_t seconds = (nowMs - m_start) / 1000;
    const float kb = received * (1.0f / 1024);
    return seconds > 0 ? kb / static_cast<float>(seconds) : kb;
}
