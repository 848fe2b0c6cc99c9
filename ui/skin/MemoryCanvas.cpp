// MemoryCanvas: create, select and release in the order GDI requires.
#include "MemoryCanvas.h"

BOOL MemoryCanvas::Create(CDC* pDC, int cx, int cy)
{
    Reset();
    if (!m_dc.CreateCompatibleDC(pDC) || !m_bitmap.CreateCompatibleBitmap(pDC, cx, cy)) {
        Reset();
        return FALSE;
    }
    m_hOld = m_dc.SelectObject(m_bitmap);
    return TRUE;
}

void MemoryCanvas::Reset()
{
    if (m_hOld) m_dc.SelectObject(m_hOld);
    m_hOld = nullptr;
    if (m_dc.m_hDC) m_dc.DeleteDC();
    m_bitmap.DeleteObject();
}
