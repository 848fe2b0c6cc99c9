// MessageDialog: size from the text, nine-piece frame, title, icon, lines and buttons laid out on every paint;
// the corners cut once per window size.
#include "MessageDialog.h"

#include "CPaintDC.h"
#include "MessageLayout.h"
#include "CSelectObject.h"
#include "WindowRegion.h"
#include "resource.h"

namespace {
// Lengths at 96 DPI, scaled to the window's resolution where they are used.
const int kCaptionBand = 26;
const int kCloseWidth = 34;
const int kCloseHeight = 27;
const int kFontHeight = 12;
const int kIconLeft = 10;
const int kIconTop = 40;
const int kIconSize = 32;
const RECT kTitleMargins = {10, 8, 3, 23};  // left, top, from the right edge, bottom

UINT KindIcon(int kind)
{
    switch (kind) {
    case Information: return IDI_MSG_INFORMATION;
    case Error: return IDI_MSG_ERROR;
    case Warning: return IDI_MSG_WARNING;
    case Question: return IDI_MSG_QUESTION;
    default: return 0;
    }
}

void MakeFont(CFont& font, int weight, const DpiScale& scale)
{
    font.DeleteObject();
    font.CreateFont(scale.Px(kFontHeight), 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "宋体");
}
}  // namespace

BEGIN_MESSAGE_MAP(MessageDialog, SkinDialog)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
    ON_MESSAGE(WM_SHOWWINDOW, OnShowWindow)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_COMMAND(IDC_MSG_CLOSE, OnCloseButton)
END_MESSAGE_MAP()

MessageDialog::MessageDialog(CWnd* pParent) : SkinDialog(IDD_MESSAGE, pParent)
{
    MakeFont(m_fontNormal, FW_NORMAL, m_scale);
    MakeFont(m_fontBold, FW_BOLD, m_scale);
}

void MessageDialog::SetMessage(CString title, CString text, MessageKind kind)
{
    m_strTitle = title;
    m_nKind = kind;
    MessageLayout layout = LayoutMessage(text);
    m_lines.swap(layout.lines);
    m_nWindowWidth = layout.width;
    m_nWindowHeight = layout.height;
    m_nButtonWidth = kMessageButtonWidth;
    m_nButtonHeight = kMessageButtonHeight;
}

void MessageDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_MSG_CLOSE, m_btnClose);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
}

BOOL MessageDialog::OnInitDialog()
{
    SkinDialog::OnInitDialog();
    SetWindowText(m_strTitle);
    // Its window text names the close button for screen readers; its images draw the cross.
    m_btnClose.SetCaptionDrawn(FALSE);
    TakeWindowScale();
    ApplyScale();
    return TRUE;
}

void MessageDialog::ApplyScale()
{
    LoadSkin(IDB_MSG_FRAME);
    LoadButtonBitmap(m_bmpPushButton, IDB_PUSH_BUTTON, 4);
    LoadButtonBitmap(m_bmpCloseButton, IDB_MSG_CLOSE, 3);
    for (CBitmapStateButton* button : {&m_btnOK, &m_btnCancel, &m_btnClose}) button->SetScale(m_scale);
    m_btnOK.SetStateBitmap(m_bmpPushButton, 4, 1, TRUE);
    m_btnCancel.SetStateBitmap(m_bmpPushButton, 4, 1, TRUE);
    m_btnClose.SetStateBitmap(m_bmpCloseButton, 3, 1, TRUE);
    MakeFont(m_fontNormal, FW_NORMAL, m_scale);
    MakeFont(m_fontBold, FW_BOLD, m_scale);
    const int icon = m_scale.Px(kIconSize);
    m_icon.Reset(KindIcon(m_nKind) ? LoadProgramIcon(KindIcon(m_nKind), icon, icon) : nullptr);
    m_cutSize = SIZE{-1, -1};
    CutCornersForSize();
}

void MessageDialog::OnScaleChanged(const RECT& rcSuggested)
{
    ApplyScale();
    // The suggested rectangle keeps the window where it was on its new screen; the size is the content's.
    MoveWindow(rcSuggested.left, rcSuggested.top, m_scale.Px(m_nWindowWidth), m_scale.Px(m_nWindowHeight), TRUE);
    PlaceCloseButton();
    CutCornersForSize();
    Invalidate(TRUE);
}

LRESULT MessageDialog::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    RECT rc;
    GetClientRect(&rc);
    PaintStretchFrame(dc);
    dc.SetBkMode(TRANSPARENT);
    {
        CSelectObject selectBold(&dc, &m_fontBold);
        RECT title = {m_scale.Px(kTitleMargins.left), m_scale.Px(kTitleMargins.top),
                      rc.right - m_scale.Px(kTitleMargins.right), m_scale.Px(kTitleMargins.bottom)};
        dc.DrawText(m_strTitle, &title, 0);
        PaintContent(dc, rc.right);
    }
    return 0;
}

void MessageDialog::CutCornersForSize()
{
    if (!m_bmpSkin.GetSafeHandle()) return;
    RECT rc;
    GetClientRect(&rc);
    if (rc.right == m_cutSize.cx && rc.bottom == m_cutSize.cy) return;
    // Setting a region repaints the window: done from paint it would ask for the next paint, forever.
    ApplyCornerRegion(this, &m_bmpSkin, m_scale);
    m_cutSize = SIZE{rc.right, rc.bottom};
}

void MessageDialog::PaintContent(CDC& dc, int clientWidth)
{
    if (m_icon) {
        const int size = m_scale.Px(kIconSize);
        ::DrawIconEx(dc.m_hDC, m_scale.Px(kIconLeft), m_scale.Px(kIconTop), m_icon.Get(), size, size, 0, nullptr,
                     DI_NORMAL);
    }

    dc.SetTextColor(RGB(0, 0, 0));
    dc.SetBkMode(TRANSPARENT);
    CSelectObject selectNormal(&dc, &m_fontNormal);
    const int count = static_cast<int>(m_lines.size());
    // Line tops are scaled from their 96-DPI places, so lines keep their spacing to the pixel's rounding.
    int y = MessageTextTop(count);
    for (const CString& line : m_lines) {
        dc.TextOut(m_scale.Px(kMessageTextLeft), m_scale.Px(y), line);
        y += kMessageLineHeight;
    }

    const MessageButtons buttons = PlaceMessageButtons(m_nKind, clientWidth, count, m_scale);
    const int width = m_scale.Px(m_nButtonWidth), height = m_scale.Px(m_nButtonHeight);
    m_btnOK.MoveWindow(buttons.okX, buttons.top, width, height, TRUE);
    m_btnOK.ShowWindow(SW_SHOW);
    if (buttons.showCancel) {
        m_btnCancel.MoveWindow(buttons.cancelX, buttons.top, width, height, TRUE);
        m_btnCancel.ShowWindow(SW_SHOW);
    } else {
        m_btnCancel.ShowWindow(SW_HIDE);
    }
    m_btnOK.SetWindowText("确定");
    m_btnCancel.SetWindowText("取消");
}

LRESULT MessageDialog::OnNcHitTest(WPARAM, LPARAM lParam)
{
    return HitTestCaptionBand(lParam, m_scale.Px(kCaptionBand));
}

LRESULT MessageDialog::OnShowWindow(WPARAM wParam, LPARAM)
{
    LRESULT result = Default();
    if (wParam) {
        RECT rc;
        GetWindowRect(&rc);
        MoveWindow(rc.left, rc.top, m_scale.Px(m_nWindowWidth), m_scale.Px(m_nWindowHeight), TRUE);
        CenterWindow();
    }
    return result;
}

LRESULT MessageDialog::OnSize(WPARAM, LPARAM)
{
    LRESULT result = Default();
    PlaceCloseButton();
    CutCornersForSize();
    return result;
}

void MessageDialog::PlaceCloseButton()
{
    if (!m_btnClose.m_hWnd) return;
    RECT rc;
    GetClientRect(&rc);
    const int width = m_scale.Px(kCloseWidth);
    m_btnClose.MoveWindow(rc.right - width, 0, width, m_scale.Px(kCloseHeight), TRUE);
}

void MessageDialog::OnCloseButton()
{
    PostMessage(WM_CLOSE);
}
