// CBitmapStateButton: off-screen composition (background, stretched state image, caption), hover polling,
// and the window region cut at the key colour whenever the look changes.
#include "CBitmapStateButton.h"

#include "CBorrowedDC.h"
#include "CClientDC.h"
#include "CSelectObject.h"
#include "WindowRegion.h"
#include "StateStretch.h"

namespace {
const COLORREF kDisabledCaption = RGB(162, 162, 162);
const UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
const DWORD kOwnerDraw = BS_OWNERDRAW;
// 9 points of Arial, in tenths of a point.
const int kCaptionPoints = 90;
const char kCaptionFace[] = "Arial";
}  // namespace

BEGIN_MESSAGE_MAP(CBitmapStateButton, CButton)
    ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
    ON_MESSAGE(WM_ENABLE, OnEnable)
    ON_MESSAGE(WM_SIZE, OnSize)
END_MESSAGE_MAP()

CBitmapStateButton::CBitmapStateButton()
{
    m_font.CreatePointFont(kCaptionPoints, kCaptionFace);
}

void CBitmapStateButton::SetScale(const DpiScale& scale)
{
    m_font.DeleteObject();
    m_font.CreatePointFontForDpi(kCaptionPoints, kCaptionFace, scale.Dpi());
    m_bLookChanged = TRUE;
    m_bBackgroundCaptured = FALSE;
}

CBitmapStateButton::~CBitmapStateButton() = default;

void CBitmapStateButton::SetStateBitmap(HBITMAP hBitmap, int nRows, int nColumns, BOOL bKeepSize)
{
    m_strip.Attach(hBitmap);
    m_bHasStrip = TRUE;
    m_nColumns = nColumns;
    m_nRows = nRows;
    int width = 0, height = 0;
    m_strip.GetSize(&width, &height);
    m_nFrameWidth = width / nColumns;
    m_nFrameHeight = height / nRows;
    if (!bKeepSize) {
        m_bExactSize = TRUE;
        RECT rc;
        GetWindowRect(&rc);
        ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rc), 2);
        MoveWindow(rc.left, rc.top, m_nFrameWidth, m_nFrameHeight, TRUE);
    }
    // The platform asks the owner to draw the button from now on.
    if (ModifyStyle(0, kOwnerDraw)) Invalidate(TRUE);
}

LRESULT CBitmapStateButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_bPlain) return DefWindowProc(message, wParam, lParam);
    return CButton::WindowProc(message, wParam, lParam);
}

void CBitmapStateButton::DrawItem(DRAWITEMSTRUCT* pDrawItem)
{
    const UINT flags = pDrawItem->itemState;
    int state = Normal;
    if (flags & ODS_FOCUS) state = (flags & ODS_SELECTED) ? Pressed : (m_bHovering ? Hover : Normal);
    if (flags & ODS_DISABLED) {
        state = Disabled;
        m_bHoverAllowed = FALSE;
    }
    if (state != m_nState) {
        m_bLookChanged = TRUE;
        m_nState = state;
    }
    Redraw();
}

bool CBitmapStateButton::CursorInside() const
{
    RECT rc;
    GetWindowRect(&rc);
    POINT pt;
    ::GetCursorPos(&pt);
    return ::PtInRect(&rc, pt) != FALSE;
}

LRESULT CBitmapStateButton::OnMouseMove(WPARAM, LPARAM)
{
    if (!m_bHovering && m_bHoverAllowed) {
        m_bHovering = TRUE;
        m_nState = Hover;
        m_bLookChanged = TRUE;
        if (!CursorInside()) {
            SetTimer(kHoverTimer, 10);
            return 0;
        }
        Redraw();
        SetTimer(kHoverTimer, 10);
    }
    return Default();
}

LRESULT CBitmapStateButton::OnTimer(WPARAM, LPARAM)
{
    if (!CursorInside() && m_bHovering && m_bHoverAllowed) {
        ::KillTimer(m_hWnd, kHoverTimer);
        m_bHovering = FALSE;
        m_nState = Normal;
        m_bLookChanged = TRUE;
        Redraw();
    }
    return Default();
}

LRESULT CBitmapStateButton::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    if (m_bBackgroundCaptured) return TRUE;
    RECT rc;
    GetClientRect(&rc);
    const int cw = rc.right, ch = rc.bottom;
    CBorrowedDC eraseDC(reinterpret_cast<HDC>(wParam));
    if (m_background.Create(&eraseDC, cw, ch)) m_background.GetDC()->BitBlt(0, 0, cw, ch, &eraseDC, 0, 0, SRCCOPY);
    m_bBackgroundCaptured = TRUE;
    ::SetWindowRgn(m_hWnd, ::CreateRectRgn(0, 0, cw, ch), TRUE);
    return TRUE;
}

LRESULT CBitmapStateButton::OnEnable(WPARAM wParam, LPARAM)
{
    LRESULT result = Default();
    m_bHoverAllowed = wParam != 0;
    return result;
}

LRESULT CBitmapStateButton::OnSize(WPARAM, LPARAM)
{
    // A new size needs a new shape and a snapshot of the parent under the whole new rectangle.
    LRESULT result = Default();
    m_bLookChanged = TRUE;
    m_bBackgroundCaptured = FALSE;
    return result;
}

void CBitmapStateButton::Redraw()
{
    CClientDC clientDC(this);
    if (m_nFrameWidth == 0 || m_nFrameHeight == 0) {
        Unskin();
        return;
    }
    int sx = 0, sy = 0;
    StateImageOrigin(m_nState, m_nFrameWidth, m_nFrameHeight, m_nColumns, &sx, &sy);
    RECT rc;
    GetClientRect(&rc);
    const int cw = rc.right, ch = rc.bottom;

    CBitmap imageBitmap;
    imageBitmap.CreateCompatibleBitmap(&clientDC, cw, ch);
    CDC image;
    image.CreateCompatibleDC(&clientDC);
    CSelectObject selectImage(&image, &imageBitmap);
    image.BitBlt(0, 0, cw, ch, m_background.GetDC(), 0, 0, SRCCOPY);

    const WideText caption = GetWindowTextWide();
    const int oldMode = image.SetBkMode(TRANSPARENT);
    CSelectObject selectFont(&image, &m_font);
    {
        CDC strip;
        strip.CreateCompatibleDC(&image);
        CSelectObject selectStrip(&strip, m_strip.GetSafeHandle());
        for (const BlitPiece& p : PlanStateStretch(m_nFrameWidth, m_nFrameHeight, cw, ch, sx, sy, m_bExactSize))
            image.BitBlt(p.dx, p.dy, p.dw, p.dh, &strip, p.sx, p.sy, SRCCOPY);
    }
    if (m_bCaptionDrawn && !caption.IsEmpty()) {
        // No DT_NOPREFIX: "&" underlines the next character as the platform's mnemonic.
        const COLORREF oldColor = image.SetTextColor(m_nState == Disabled ? kDisabledCaption : m_crCaption);
        image.DrawText(caption, &rc, kCaptionFormat);
        image.SetTextColor(oldColor);
    }
    if (m_bLookChanged) {
        ApplyImageRegion(this, &image, rc);
        m_bLookChanged = FALSE;
    }
    clientDC.TransparentBlt(0, 0, cw, ch, &image, 0, 0, cw, ch, kSkinKeyColor);
    image.SetBkMode(oldMode);
}

void CBitmapStateButton::Unskin()
{
    ::KillTimer(m_hWnd, kHoverTimer);
    ModifyStyle(kOwnerDraw, 0);
    Invalidate(TRUE);
    m_bPlain = TRUE;
    SendMessage(WM_PAINT);
}
