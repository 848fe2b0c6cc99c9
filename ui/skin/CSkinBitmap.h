// CSkinBitmap: a bitmap wrapped with its pixel size and never deleted: whoever loaded it keeps it.
#pragma once

#include "CBitmap.h"

class CSkinBitmap : public CBitmap {
public:
    ~CSkinBitmap() override { Detach(); }

    // Lets go of the handle held so far (not deleted), then wraps hBitmap; false for a null handle.
    BOOL Attach(HBITMAP hBitmap);
    // Gives the wrapped handle back without deleting it; the size becomes 0 x 0.
    HBITMAP Detach();
    void GetSize(int* pWidth, int* pHeight) const
    {
        *pWidth = m_nWidth;
        *pHeight = m_nHeight;
    }

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
};
