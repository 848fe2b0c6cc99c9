// CSkinBitmap: attach and detach that keep the size in step with the wrapped handle.
#include "CSkinBitmap.h"

BOOL CSkinBitmap::Attach(HBITMAP hBitmap)
{
    Detach();
    if (!CBitmap::Attach(hBitmap)) return FALSE;
    BITMAP bm = {};
    if (GetBitmap(&bm)) {
        m_nWidth = bm.bmWidth;
        m_nHeight = bm.bmHeight;
    }
    return TRUE;
}

HBITMAP CSkinBitmap::Detach()
{
    m_nWidth = m_nHeight = 0;
    return static_cast<HBITMAP>(CBitmap::Detach());
}
