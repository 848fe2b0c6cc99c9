// CSkinBitmap: borrowing and giving back keep the size in step with the handle.
#include "CSkinBitmap.h"

BOOL CSkinBitmap::Attach(HBITMAP hBitmap)
{
    Detach();
    BITMAP bm = {};
    if (!hBitmap || !::GetObjectA(hBitmap, sizeof bm, &bm)) return FALSE;
    m_hBitmap = hBitmap;
    m_nWidth = bm.bmWidth;
    m_nHeight = bm.bmHeight;
    return TRUE;
}

HBITMAP CSkinBitmap::Detach()
{
    m_nWidth = m_nHeight = 0;
    HBITMAP hBitmap = m_hBitmap;
    m_hBitmap = nullptr;
    return hBitmap;
}
