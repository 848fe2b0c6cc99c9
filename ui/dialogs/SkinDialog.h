// SkinDialog: the frame behaviour the skinned windows share: skin loading and painting, placement,
// dragging, transparent statics, and owner-drawn buttons drawn by their own objects.
#pragma once

#include <windows.h>

#include "CBitmap.h"
#include "CDC.h"
#include "CDialog.h"
#include "DpiScale.h"

class SkinDialog : public CDialog {
public:
    explicit SkinDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : CDialog(nIDTemplate, pParentWnd) {}

    // A button strip of nStates images for CBitmapStateButton::SetStateBitmap, at the window's scale, in
    // place of the one held so far; the holder keeps it for the dialog's life.
    BOOL LoadButtonBitmap(CBitmap& bitmap, UINT nIDResource, int nStates);

    const DpiScale& Scale() const { return m_scale; }

    // Centres the window over its visible owner, or in the work area of the screen when it has none.
    void CenterWindow();

protected:
    // The window's scale, from the resolution it is shown at; taken when the dialog initialises.
    void TakeWindowScale();
    // The skin bitmap at the window's scale, in place of the one held so far.
    void LoadSkin(UINT nSkinBitmap);
    // Fixed-background skin: loads the skin bitmap and moves the window, at the bitmap's size, to the
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
    // WM_DPICHANGED: the window moved to a screen of another resolution, or the resolution changed.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Each window lays itself out again at the new scale, over the rectangle Windows suggests for it.
    virtual void OnScaleChanged(const RECT& rcSuggested) = 0;

    // The frame's skin bitmap, kept for the dialog's life.
    CBitmap m_bmpSkin;
    DpiScale m_scale;

    DECLARE_MESSAGE_MAP()
};
