// CSkinBitmap: a borrowed bitmap with its pixel size; never deleted here: whoever loaded it keeps it.
#pragma once

#include <windows.h>

class CSkinBitmap {
public:
    // Lets go of the handle held so far, then borrows hBitmap; false for a null handle or one that is no bitmap.
    BOOL Attach(HBITMAP hBitmap);
    // Gives the borrowed handle back; the size becomes 0 x 0.
    HBITMAP Detach();
    HBITMAP GetSafeHandle() const { return m_hBitmap; }
    void GetSize(int* pWidth, int* pHeight) const
    {
        *pWidth = m_nWidth;
        *pHeight = m_nHeight;
    }

private:
    HBITMAP m_hBitmap = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
};
