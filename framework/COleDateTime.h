// COleDateTime: a local date and time as an OLE date, days since 1899-12-30 with the time as the fraction.
#pragma once

#include <windows.h>
#include <wtypes.h>

// winbase.h maps GetCurrentTime onto GetTickCount; the name here is the date's own.
#ifdef GetCurrentTime
#undef GetCurrentTime
#endif

class COleDateTime {
public:
    COleDateTime() = default;
    explicit COleDateTime(DATE dt) : m_dt(dt) {}
    explicit COleDateTime(const SYSTEMTIME& st);

    // The current local time, to the millisecond.
    static COleDateTime GetCurrentTime();
    operator DATE() const { return m_dt; }

    DATE m_dt = 0;
};
