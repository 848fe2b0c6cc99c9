// CGdiObject: attach, detach and delete of the held GDI handle.
#include "CGdiObject.h"

#include <utility>

BOOL CGdiObject::Attach(HGDIOBJ h)
{
    if (!h || m_hObject) return FALSE;
    m_hObject = h;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    return std::exchange(m_hObject, nullptr);
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}
