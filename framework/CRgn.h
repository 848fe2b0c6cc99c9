// CRgn: an owned GDI region; Detach hands it over, e.g. to SetWindowRgn.
#pragma once

#include "CGdiObject.h"

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }

    BOOL CreateRectRgn(int x1, int y1, int x2, int y2)
    {
        return !m_hObject && Attach(::CreateRectRgn(x1, y1, x2, y2));
    }
    void SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn(*this, x1, y1, x2, y2); }
    int OffsetRgn(int x, int y) { return ::OffsetRgn(*this, x, y); }
    // this = pRgn1 <mode> pRgn2
    int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode)
    {
        return ::CombineRgn(*this, *pRgn1, *pRgn2, nCombineMode);
    }
};
