// CDataExchange and DDX_Control: bind a dialog's template items to control objects.
#pragma once

#include "CWnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Subclasses template item nIDC with rControl, once; later exchanges leave the binding as it is.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
