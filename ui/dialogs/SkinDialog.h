// SkinDialog: the frame behaviour the skinned windows share: skin loading and painting, placement,
// dragging, transparent statics, and owner-drawn buttons drawn by their own objects.
#pragma once

#include <windows.h>

#include "CBitmap.h"
#include "CDC.h"
#include "CDialog.h"

class SkinDialog : public CDialog {
public:
    explicit SkinDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : CDialog(nIDTemplate, pParentWnd) {}

    // A button strip for CBitmapStateButton::SetStateBitmap (LoadImageA from the program's module);
    // the holder keeps it for the dialog's life.
    static BOOL LoadButtonBitmap(CBitmap& bitmap, UINT nIDResource);

    // Centres the window over its visible owner, or in the work area of the screen when it has none.
    void CenterWindow();

protected:
    // Fixed-background skin: loads the skin bitmap once and moves the window, at the bitmap's size, to the
    // centre of the primary screen's work area.
    void LayoutFixedBackground(UINT nSkinBitmap);
    // Paints the skin over the whole client area, leaving key-coloured pixels unpainted.
    void PaintFixedBackground(CDC& dc);
    // WM_NCHITTEST: the whole window drags; buttons still get their own clicks.
    LRESULT OnNcHitTestDragAnywhere(WPARAM wParam, LPARAM lParam);
    // WM_CTLCOLORSTATIC: statics draw transparently over the skin.
    LRESULT OnCtlColorTransparentStatic(WPARAM wParam, LPARAM lParam);
    // Repaints the dialog's background under each of the given items, in order (after showing).
    void InvalidateUnderItems(const int* pIDs, int nCount);

    // Stretchable skin: the nine-piece frame over the whole client area.
    void PaintStretchFrame(CDC& dc);
    // HTCAPTION inside the band (0, 0) - (client width, nBandHeight), else the default answer.
    LRESULT HitTestCaptionBand(LPARAM lParam, int nBandHeight);

    // Owner-drawn buttons draw themselves: WM_DRAWITEM goes back to the button's object.
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

    // The frame's skin bitmap, kept for the dialog's life.
    CBitmap m_bmpSkin;

    DECLARE_MESSAGE_MAP()
};
