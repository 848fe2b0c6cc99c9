// COleDateTime: SYSTEMTIME through FILETIME (100 ns ticks since 1601-01-01) to days since 1899-12-30.
#include "COleDateTime.h"

namespace {
const double kTicksPerDay = 864000000000.0;
// Days from 1601-01-01, the FILETIME epoch, to 1899-12-30, the OLE date epoch.
const double kEpochOffsetDays = 109205.0;
}  // namespace

COleDateTime::COleDateTime(const SYSTEMTIME& st)
{
    FILETIME ft;
    if (!::SystemTimeToFileTime(&st, &ft)) return;
    ULARGE_INTEGER ticks;
    ticks.LowPart = ft.dwLowDateTime;
    ticks.HighPart = ft.dwHighDateTime;
    m_dt = static_cast<double>(ticks.QuadPart) / kTicksPerDay - kEpochOffsetDays;
}

COleDateTime COleDateTime::GetCurrentTime()
{
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return COleDateTime(st);
}
