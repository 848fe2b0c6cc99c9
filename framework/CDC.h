// CDC: a device context with the drawing calls the skinned windows use; owns and deletes a created context.
#pragma once

#include <windows.h>

#include "CObject.h"
#include "CString.h"
#include "WideText.h"

class CDC : public CObject {
public:
    CDC() = default;
    // Deletes a context made by CreateCompatibleDC; the classes holding a context made otherwise (CClientDC,
    // CPaintDC, CBorrowedDC) give it back their own way and leave none here.
    ~CDC() override;

    HDC m_hDC = nullptr;

    // A memory context compatible with pDC (with the screen when pDC is null).
    BOOL CreateCompatibleDC(CDC* pDC);
    // Deletes a created context; whatever is still selected into it is deselected with it.
    BOOL DeleteDC();

    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC->m_hDC, xSrc, ySrc, dwRop);
    }
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop)
    {
        return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC->m_hDC, xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
    }
    // Copies every pixel except those of crTransparent (msimg32).
    BOOL TransparentBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                        int nSrcHeight, UINT crTransparent)
    {
        return ::TransparentBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC->m_hDC, xSrc, ySrc, nSrcWidth, nSrcHeight,
                                crTransparent);
    }
    // The program's GBK texts are drawn through their UTF-16 form, right under any ANSI code page.
    int DrawText(const CString& str, RECT* pRect, UINT nFormat)
    {
        return DrawText(WideText(str, str.GetLength()), pRect, nFormat);
    }
    int DrawText(const WideText& text, RECT* pRect, UINT nFormat)
    {
        return ::DrawTextW(m_hDC, text.c_str(), text.GetLength(), pRect, nFormat);
    }
    BOOL TextOut(int x, int y, const CString& str)
    {
        const WideText wide(str, str.GetLength());
        return ::TextOutW(m_hDC, x, y, wide.c_str(), wide.GetLength());
    }
};
