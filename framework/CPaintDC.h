// CPaintDC: the context of one WM_PAINT, from BeginPaint to EndPaint.
#pragma once

#include "CDC.h"
#include "CWnd.h"

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};
