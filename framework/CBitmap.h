// CBitmap: an owned GDI bitmap, loaded from the program's resources or made compatible with a context.
#pragma once

#include "CGdiObject.h"

class CDC;

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }

    // LoadBitmapA from the module that holds the resource; fails while a bitmap is held.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP* pBitmap) const { return GetObject(sizeof(BITMAP), pBitmap); }
};
