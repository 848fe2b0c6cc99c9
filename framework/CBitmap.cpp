// CBitmap: resource loading and compatible bitmaps.
#include "CBitmap.h"

#include "CDC.h"
#include "CWinApp.h"

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    if (m_hObject) return FALSE;
    LPCSTR name = MAKEINTRESOURCEA(nIDResource);
    return Attach(::LoadBitmapA(AfxFindResourceHandle(name, RT_BITMAP), name));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    if (m_hObject) return FALSE;
    return Attach(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
}
