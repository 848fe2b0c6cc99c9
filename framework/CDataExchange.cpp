// DDX_Control: subclasses a dialog item with its control object the first time the data is exchanged.
#include "CDataExchange.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd) return;
    HWND hItem = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (!hItem) {
        ::OutputDebugStringA("DDX_Control: the dialog template has no such item\n");
        return;
    }
    rControl.SubclassWindow(hItem);
}
