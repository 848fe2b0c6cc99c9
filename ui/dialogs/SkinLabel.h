// SkinLabel: a static text drawn transparently over the dialog's skin, in its own colour and font.
#pragma once

#include <windows.h>

#include "CFont.h"
#include "CStatic.h"
#include "CString.h"
#include "DpiScale.h"

class SkinLabel : public CStatic {
public:
    SkinLabel();

    // Sets the window text and repaints the label and the dialog's background under it, so that
    // nothing of a longer old text stays.
    SkinLabel& SetText(const CString& text);
    // Colour and font take effect at the next paint.
    SkinLabel& SetTextColor(COLORREF crText);
    SkinLabel& SetFontBold(BOOL bBold);
    // A character height of n pixels at 96 DPI (a negative font height).
    SkinLabel& SetFontSize(int nSize);
    // The font is made for the window's scale; its description stays the 96-DPI one.
    SkinLabel& SetScale(const DpiScale& scale);

    COLORREF GetTextColor() const { return m_crText; }
    const LOGFONTA& GetFontDescription() const { return m_logFont; }
    HFONT GetTextFont() const { return m_font; }

protected:
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void RebuildFont();

    COLORREF m_crText;
    // At 96 DPI: the font made from it has its height at m_scale.
    LOGFONTA m_logFont = {};
    DpiScale m_scale;
    CFont m_font;
    // Without DT_SINGLELINE, DT_VCENTER has no effect: text starts at the top-left and breaks at line feeds.
    UINT m_nFormat = DT_VCENTER;
};
