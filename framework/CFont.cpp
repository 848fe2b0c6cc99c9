// CFont: font creation from a description, from its fields or from a point size.
#include "CFont.h"

#include <cstring>

#include "CDC.h"
#include "WideText.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* pLogFont)
{
    if (m_hObject) return FALSE;
    return Attach(::CreateFontIndirectA(pLogFont));
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename)
{
    if (m_hObject) return FALSE;
    // A GBK face name ("宋体") names no font when read in another ANSI code page.
    const WideText face(lpszFacename);
    return Attach(::CreateFontW(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
                                nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily,
                                lpszFacename ? face.c_str() : nullptr));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC)
{
    HDC hScreen = pDC ? nullptr : ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(pDC ? pDC->m_hDC : hScreen, LOGPIXELSY);
    if (hScreen) ::ReleaseDC(nullptr, hScreen);
    return CreatePointFontForDpi(nPointSize, lpszFaceName, dpi);
}

BOOL CFont::CreatePointFontForDpi(int nPointSize, LPCSTR lpszFaceName, int nDpi)
{
    LOGFONTA lf = {};
    // 720 tenths of a point make one inch; a negative height asks for the character height.
    lf.lfHeight = -::MulDiv(nPointSize, nDpi, 720);
    // The program's captions are Chinese on every edition: DEFAULT_CHARSET would be the ANSI code page's
    // (Western under 1252), and a Western face draws Chinese characters as empty boxes.
    lf.lfCharSet = GB2312_CHARSET;
    if (lpszFaceName) ::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}
