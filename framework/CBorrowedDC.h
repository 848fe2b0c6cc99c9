// CBorrowedDC: a device context lent by the window system for one message (WM_ERASEBKGND's), never deleted here.
#pragma once

#include "CDC.h"

class CBorrowedDC : public CDC {
public:
    explicit CBorrowedDC(HDC hDC) { m_hDC = hDC; }
    // The lender releases the context; the base class deletes only a context it was left holding.
    ~CBorrowedDC() override { m_hDC = nullptr; }
};
