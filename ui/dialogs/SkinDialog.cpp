// SkinDialog: fixed and stretchable skin paint, work-area placement, drag zones and transparent statics.
#include "SkinDialog.h"

#include "CButton.h"
#include "CSelectObject.h"
#include "SkinArt.h"
#include "StretchFrame.h"
#include "WindowDpi.h"
#include "WindowRegion.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

BEGIN_MESSAGE_MAP(SkinDialog, CDialog)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
END_MESSAGE_MAP()

BOOL SkinDialog::LoadButtonBitmap(CBitmap& bitmap, UINT nIDResource, int nStates)
{
    bitmap.DeleteObject();
    return LoadSkinArt(bitmap, nIDResource, nStates, m_scale);
}

void SkinDialog::TakeWindowScale()
{
    m_scale = DpiScale(GetWindowDpi(m_hWnd));
    // The skinned windows place and size every item themselves at each scale.
    KeepDialogLayoutOnDpiChange(m_hWnd);
}

void SkinDialog::LoadSkin(UINT nSkinBitmap)
{
    m_bmpSkin.DeleteObject();
    LoadSkinArt(m_bmpSkin, nSkinBitmap, 1, m_scale);
}

void SkinDialog::CenterWindow()
{
    RECT rcWnd, rcArea;
    GetWindowRect(&rcWnd);
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner)) {
        ::GetWindowRect(hOwner, &rcArea);
    } else {
        MONITORINFO mi = {};
        mi.cbSize = sizeof mi;
        ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
        rcArea = mi.rcWork;
    }
    const int w = rcWnd.right - rcWnd.left, h = rcWnd.bottom - rcWnd.top;
    const int x = (rcArea.left + rcArea.right) / 2 - w / 2;
    const int y = (rcArea.top + rcArea.bottom) / 2 - h / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinDialog::LayoutFixedBackground(UINT nSkinBitmap)
{
    LoadSkin(nSkinBitmap);
    BITMAP bm = {};
    m_bmpSkin.GetBitmap(&bm);
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - bm.bmWidth) / 2;
    const int y = work.top + (work.bottom - work.top - bm.bmHeight) / 2;
    MoveWindow(x, y, bm.bmWidth, bm.bmHeight, TRUE);
}

void SkinDialog::PaintFixedBackground(CDC& dc)
{
    dc.SetBkMode(TRANSPARENT);
    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    CSelectObject select(&memDC, &m_bmpSkin);
    RECT rc;
    GetClientRect(&rc);
    dc.TransparentBlt(0, 0, rc.right, rc.bottom, &memDC, 0, 0, rc.right, rc.bottom, kSkinKeyColor);
}

LRESULT SkinDialog::OnNcHitTestDragAnywhere(WPARAM, LPARAM)
{
    return HTCAPTION;
}

LRESULT SkinDialog::OnCtlColorTransparentStatic(WPARAM wParam, LPARAM)
{
    Default();
    ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

void SkinDialog::InvalidateUnderItems(const int* pIDs, int nCount)
{
    for (int i = 0; i < nCount; ++i) {
        HWND hItem = ::GetDlgItem(m_hWnd, pIDs[i]);
        if (!hItem) continue;
        RECT rc;
        ::GetWindowRect(hItem, &rc);
        ScreenToClient(&rc);
        InvalidateRect(&rc, TRUE);
    }
}

void SkinDialog::PaintStretchFrame(CDC& dc)
{
    BITMAP bm = {};
    m_bmpSkin.GetBitmap(&bm);
    RECT rc;
    GetClientRect(&rc);
    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    CSelectObject select(&memDC, &m_bmpSkin);
    for (const BlitPiece& p : PlanStretchFrame(rc.right, rc.bottom, bm.bmWidth, bm.bmHeight, m_scale.Px(kFrameSide),
                                               m_scale.Px(kFrameBand))) {
        if (p.dw == p.sw && p.dh == p.sh)
            dc.BitBlt(p.dx, p.dy, p.dw, p.dh, &memDC, p.sx, p.sy, SRCCOPY);
        else
            dc.StretchBlt(p.dx, p.dy, p.dw, p.dh, &memDC, p.sx, p.sy, p.sw, p.sh, SRCCOPY);
    }
}

LRESULT SkinDialog::HitTestCaptionBand(LPARAM lParam, int nBandHeight)
{
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(&pt);
    RECT rc;
    GetClientRect(&rc);
    rc.bottom = nBandHeight;
    if (::PtInRect(&rc, pt)) return HTCAPTION;
    return Default();
}

LRESULT SkinDialog::OnDrawItem(WPARAM, LPARAM lParam)
{
    DRAWITEMSTRUCT* pDraw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    CButton* pButton = pDraw->CtlType == ODT_BUTTON ? dynamic_cast<CButton*>(FromHandlePermanent(pDraw->hwndItem))
                                                     : nullptr;
    if (!pButton) return Default();
    pButton->DrawItem(pDraw);
    return TRUE;
}

LRESULT SkinDialog::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    // Both words of wParam carry the new resolution; lParam the window rectangle it would have there, which
    // only the system supplies: without one the window stays where it is.
    m_scale = DpiScale(LOWORD(wParam));
    RECT rc;
    if (lParam)
        rc = *reinterpret_cast<const RECT*>(lParam);
    else
        GetWindowRect(&rc);
    OnScaleChanged(rc);
    return 0;
}
