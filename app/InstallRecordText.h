// InstallRecordText: the exact bytes of the install record file; portable.
#pragma once

#include "CString.h"

// The declaration directly followed by the element, with no line end; the signature is entity-escaped,
// so a signature of 32 hexadecimal digits gives 112 bytes.
CString InstallRecordText(int nVerType, const CString& strFileSign);
