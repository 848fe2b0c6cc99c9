// CButton: a push button bound to a dialog item; owner-drawn buttons draw in DrawItem.
#pragma once

#include "CWnd.h"

class CButton : public CWnd {
public:
    // Called for WM_DRAWITEM of an owner-drawn button, which the parent passes back to the button.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
};
