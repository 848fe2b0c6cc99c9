// CDialog: DialogBoxParam with the dialog window subclassed, so the message map sees every message.
#include "CDialog.h"

#include "CWinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    // Without a parent, a dialog run on the thread of the application's main window is owned by that
    // window, which is disabled while the dialog runs; on any other thread it has no owner.
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWinApp* pApp = AfxGetApp();
    CWnd* pMain = pApp ? pApp->m_pMainWnd : nullptr;
    if (!hParent && pMain && pMain != this && pMain->m_hWnd &&
        ::GetWindowThreadProcessId(pMain->m_hWnd, nullptr) == ::GetCurrentThreadId())
        hParent = pMain->m_hWnd;
    // The wide call: a narrow dialog gets its items' template texts through the ANSI code page.
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), hParent,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog()
{
    CDataExchange dx(this, FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    // Everything after WM_INITDIALOG reaches the object through its subclassed window procedure;
    // returning FALSE here hands those messages to the dialog manager's default processing.
    if (message != WM_INITDIALOG) return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (!pDlg->SubclassWindow(hWnd)) return FALSE;
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        ::OutputDebugStringA("unhandled exception in OnInitDialog\n");
        return FALSE;
    }
}
