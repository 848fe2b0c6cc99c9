// SkinLabel: own paint with no background, and a text change that makes the parent repaint under the label.
#include "SkinLabel.h"

#include "CPaintDC.h"
#include "CSelectObject.h"
#include "WindowDpi.h"

BEGIN_MESSAGE_MAP(SkinLabel, CStatic)
    ON_MESSAGE(WM_PAINT, OnPaint)
END_MESSAGE_MAP()

SkinLabel::SkinLabel() : m_crText(::GetSysColor(COLOR_WINDOWTEXT))
{
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof m_logFont, &m_logFont);
    // The stock font is made for the system's resolution; its description is kept at 96 DPI.
    m_logFont.lfHeight = ::MulDiv(m_logFont.lfHeight, DpiScale::kBaseDpi, GetWindowDpi(nullptr));
    RebuildFont();
}

void SkinLabel::RebuildFont()
{
    LOGFONTA scaled = m_logFont;
    scaled.lfHeight = m_scale.Px(m_logFont.lfHeight);
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&scaled);
}

SkinLabel& SkinLabel::SetScale(const DpiScale& scale)
{
    m_scale = scale;
    RebuildFont();
    return *this;
}

SkinLabel& SkinLabel::SetText(const CString& text)
{
    SetWindowText(text);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT rc;
    GetWindowRect(&rc);
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent) {
        // The parent does not clip its children: repainting its background there repaints the label too.
        ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rc), 2);
        ::InvalidateRect(hParent, &rc, TRUE);
    } else {
        Invalidate(TRUE);
    }
    return *this;
}

SkinLabel& SkinLabel::SetTextColor(COLORREF crText)
{
    m_crText = crText;
    return *this;
}

SkinLabel& SkinLabel::SetFontBold(BOOL bBold)
{
    m_logFont.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    return *this;
}

SkinLabel& SkinLabel::SetFontSize(int nSize)
{
    m_logFont.lfHeight = -nSize;
    RebuildFont();
    return *this;
}

LRESULT SkinLabel::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    const WideText text = GetWindowTextWide();
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(m_crText);
    CSelectObject selectFont(&dc, m_font.m_hObject ? m_font.m_hObject : ::GetCurrentObject(dc.m_hDC, OBJ_FONT));
    RECT rc;
    GetClientRect(&rc);
    dc.DrawText(text, &rc, m_nFormat);
    return 0;
}
