// CStatic: a static text control bound to a dialog item.
#pragma once

#include "CWnd.h"

class CStatic : public CWnd {
};
