// InstallerDialog's tray icon and window commands: hiding, showing, the tray menu and the exit confirmation.
#include "InstallerDialog.h"

#include "CWinApp.h"
#include "InstallerTexts.h"
#include "MessageDialog.h"
#include "WideText.h"
#include "resource.h"

namespace {
const char kConfirmExit[] = "确认要退出Corvane在线安装程序？";
}  // namespace

// Sent to every top-level window when the taskbar is created again (Explorer restarted): the icons it held
// are gone.
const UINT InstallerDialog::WM_TASKBAR_CREATED = ::RegisterWindowMessageA("TaskbarCreated");

void InstallerDialog::OnOK() {}

void InstallerDialog::OnCancel()
{
    // One message at a time: the tray's commands still reach the window that the open message disables.
    if (m_pOpenMessage) {
        m_pOpenMessage->SetForegroundWindow();
        return;
    }
    MessageDialog confirm(nullptr);
    confirm.SetMessage(kWindowTitle, kConfirmExit, Question);
    m_pOpenMessage = &confirm;
    const INT_PTR answer = confirm.DoModal();
    m_pOpenMessage = nullptr;
    if (answer == IDOK) CDialog::OnCancel();
}

void InstallerDialog::ShowInFront()
{
    ShowWindow(SW_SHOW);
    SetForegroundWindow();
}

void InstallerDialog::OnTrayOpen()
{
    ShowInFront();
}

void InstallerDialog::OnTrayExit()
{
    OnCancel();
}

void InstallerDialog::OnMinimizeButton()
{
    ShowWindow(SW_HIDE);
}

void InstallerDialog::OnCloseButton()
{
    OnCancel();
}

LRESULT InstallerDialog::OnSysCommand(WPARAM wParam, LPARAM)
{
    if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(SW_HIDE);
        return 0;
    }
    return Default();
}

LRESULT InstallerDialog::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_iconBig.Get());
}

LRESULT InstallerDialog::OnDestroy(WPARAM, LPARAM)
{
    RemoveTrayIcon();
    return Default();
}

BOOL InstallerDialog::AddTrayIcon(UINT uIconId, const char* pszTip)
{
    ZeroMemory(&m_nid, sizeof m_nid);
    // The record layout every shell since 2000 accepts; the wide one, so the tip is right in any code page.
    m_nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = uIconId;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAY_NOTIFY;
    // The notification area shows small icons at the system's resolution: the icon's own image of that size.
    m_iconTray.Reset(LoadProgramIcon(uIconId, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)));
    m_nid.hIcon = m_iconTray.Get();
    lstrcpynW(m_nid.szTip, WideText(pszTip).c_str(), sizeof m_nid.szTip / sizeof m_nid.szTip[0]);
    ::Shell_NotifyIconW(NIM_ADD, &m_nid);
    return 1;
}

void InstallerDialog::RemoveTrayIcon()
{
    m_nid.uID = IDI_APP;
    ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
}

HMENU InstallerDialog::LoadTrayMenu(CMenu& menu)
{
    if (!menu.LoadMenu(AfxFindResourceHandle(MAKEINTRESOURCEA(IDR_TRAY_MENU), RT_MENU), IDR_TRAY_MENU)) return nullptr;
    HMENU hPopup = menu.GetSubMenu(0);
    if (hPopup) ::SetMenuDefaultItem(hPopup, 0, TRUE);
    return hPopup;
}

LRESULT InstallerDialog::OnTrayNotify(WPARAM, LPARAM lParam)
{
    if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN) {
        CMenu menu;
        HMENU hPopup = LoadTrayMenu(menu);
        if (!hPopup) return 0;
        POINT pt = {};
        ::GetCursorPos(&pt);
        TrackTrayMenu(m_hWnd, hPopup, pt);
    } else if (lParam == WM_LBUTTONDBLCLK) {
        ShowInFront();
    }
    return 0;
}

void InstallerDialog::TrackTrayMenu(HWND hWnd, HMENU hPopup, POINT pt)
{
    // TrackPopupMenu's rules for a notification icon's menu: its owner must be the foreground window, or the
    // menu stays when the user clicks elsewhere; and a message must follow it into the owner's queue, or
    // the next time the menu opens it closes at once.
    ::SetForegroundWindow(hWnd);
    ::TrackPopupMenu(hPopup, 0, pt.x, pt.y, 0, hWnd, nullptr);
    ::PostMessageA(hWnd, WM_NULL, 0, 0);
}

LRESULT InstallerDialog::OnTaskbarCreated(WPARAM, LPARAM)
{
    AddTrayIcon(IDI_APP, kWindowTitle);
    return 0;
}
