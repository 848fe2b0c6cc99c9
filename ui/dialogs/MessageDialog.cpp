// MessageDialog: size from the text, nine-piece frame, title, icon, lines and buttons laid out on every paint;
// the corners cut once per window size.
#include "MessageDialog.h"

#include "CPaintDC.h"
#include "MessageLayout.h"
#include "CSelectObject.h"
#include "WindowRegion.h"
#include "resource.h"

namespace {
const int kCaptionBand = 26;
const int kCloseWidth = 34;
const int kCloseHeight = 27;

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

void MakeFont(CFont& font, int weight)
{
    font.CreateFont(12, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
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
    MakeFont(m_fontNormal, FW_NORMAL);
    MakeFont(m_fontBold, FW_BOLD);
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
    m_bmpSkin.LoadBitmap(IDB_MSG_FRAME);
    LoadButtonBitmap(m_bmpPushButton, IDB_PUSH_BUTTON);
    m_btnOK.SetStateBitmap(m_bmpPushButton, 4, 1, TRUE);
    m_btnCancel.SetStateBitmap(m_bmpPushButton, 4, 1, TRUE);
    LoadButtonBitmap(m_bmpCloseButton, IDB_MSG_CLOSE);
    m_btnClose.SetStateBitmap(m_bmpCloseButton, 3, 1, TRUE);
    CutCornersForSize();
    return TRUE;
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
        RECT title = {10, 8, rc.right - 3, 23};
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
    ApplyCornerRegion(this, &m_bmpSkin);
    m_cutSize = SIZE{rc.right, rc.bottom};
}

void MessageDialog::PaintContent(CDC& dc, int clientWidth)
{
    if (UINT icon = KindIcon(m_nKind))
        dc.DrawIcon(10, 40, ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon)));

    dc.SetTextColor(RGB(0, 0, 0));
    dc.SetBkMode(TRANSPARENT);
    CSelectObject selectNormal(&dc, &m_fontNormal);
    const int count = static_cast<int>(m_lines.size());
    int y = MessageTextTop(count);
    for (const CString& line : m_lines) {
        dc.TextOut(kMessageTextLeft, y, line);
        y += kMessageLineHeight;
    }

    const MessageButtons buttons = PlaceMessageButtons(m_nKind, clientWidth, count);
    m_btnOK.MoveWindow(buttons.okX, buttons.top, m_nButtonWidth, m_nButtonHeight, TRUE);
    m_btnOK.ShowWindow(SW_SHOW);
    if (buttons.showCancel) {
        m_btnCancel.MoveWindow(buttons.cancelX, buttons.top, m_nButtonWidth, m_nButtonHeight, TRUE);
        m_btnCancel.ShowWindow(SW_SHOW);
    } else {
        m_btnCancel.ShowWindow(SW_HIDE);
    }
    m_btnOK.SetWindowText("确定");
    m_btnCancel.SetWindowText("取消");
}

LRESULT MessageDialog::OnNcHitTest(WPARAM, LPARAM lParam)
{
    return HitTestCaptionBand(lParam, kCaptionBand);
}

LRESULT MessageDialog::OnShowWindow(WPARAM wParam, LPARAM)
{
    LRESULT result = Default();
    if (wParam) {
        RECT rc;
        GetWindowRect(&rc);
        MoveWindow(rc.left, rc.top, m_nWindowWidth, m_nWindowHeight, TRUE);
        CenterWindow();
    }
    return result;
}

LRESULT MessageDialog::OnSize(WPARAM, LPARAM)
{
    LRESULT result = Default();
    if (m_btnClose.m_hWnd) {
        RECT rc;
        GetClientRect(&rc);
        m_btnClose.MoveWindow(rc.right - kCloseWidth, 0, kCloseWidth, kCloseHeight, TRUE);
    }
    CutCornersForSize();
    return result;
}

void MessageDialog::OnCloseButton()
{
    PostMessage(WM_CLOSE);
}
