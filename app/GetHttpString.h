// GetHttpString: one GET of a small text resource over HTTP or HTTPS, the body on status 200 only.
#pragma once

#include "CString.h"

// The response body when the status is 200, else the empty text; never throws, never shows anything.
CString GetHttpString(CString strUrl);
