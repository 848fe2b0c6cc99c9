// CClientDC: a window's client-area context, from GetDC to ReleaseDC.
#pragma once

#include "CDC.h"
#include "CWnd.h"

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
