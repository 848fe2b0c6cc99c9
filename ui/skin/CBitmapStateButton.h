// CBitmapStateButton: an owner-drawn push button whose look is one image per state from a skin strip.
#pragma once

#include <windows.h>

#include "CBitmap.h"
#include "CButton.h"
#include "CDC.h"
#include "CFont.h"
#include "CSkinBitmap.h"
#include "DpiScale.h"
#include "MemoryCanvas.h"

class CBitmapStateButton : public CButton {
public:
    enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    CBitmapStateButton();
    ~CBitmapStateButton() override;

    // Gives the button its state strip (not owned: the caller deletes it after the button). The strip holds
    // nRows x nColumns equal images; unless bKeepSize, the button takes the size of one image and draws
    // it unstretched. Makes the button owner-drawn; a null bitmap turns it back into a plain button at
    // its next draw.
    void SetStateBitmap(HBITMAP hBitmap, int nRows, int nColumns, BOOL bKeepSize);

    // The caption's font follows the window's scale; the background under the button and its shape are
    // taken again at the next draw, since the window under it is drawn anew at that scale.
    void SetScale(const DpiScale& scale);
    // A button whose images carry their own glyph keeps its window text for screen readers and the
    // keyboard but does not draw it.
    void SetCaptionDrawn(BOOL bDrawn) { m_bCaptionDrawn = bDrawn; }

    void DrawItem(DRAWITEMSTRUCT* pDrawItem) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnable(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    static const UINT_PTR kHoverTimer = 1;

    void Redraw();
    void Unskin();
    bool CursorInside() const;

    CSkinBitmap m_strip;
    int m_nFrameWidth = 0;
    int m_nFrameHeight = 0;
    BOOL m_bHasStrip = FALSE;
    BOOL m_bExactSize = FALSE;
    BOOL m_bLookChanged = TRUE;
    int m_nState = Normal;
    COLORREF m_crCaption = RGB(0, 0, 0);
    BOOL m_bHovering = FALSE;
    BOOL m_bHoverAllowed = TRUE;
    CFont m_font;
    BOOL m_bBackgroundCaptured = FALSE;
    // The parent's pixels under the button, captured once.
    MemoryCanvas m_background;
    int m_nColumns = 1;
    int m_nRows = 4;
    // Set once the button is a plain platform button again: every message then goes straight to it.
    BOOL m_bPlain = FALSE;
    BOOL m_bCaptionDrawn = TRUE;
};
