// FileSignature: the MD5 of a file's whole content as 32 lower-case hexadecimal digits.
#pragma once

#include "CString.h"

// The empty text when the file cannot be opened or read; other programs may hold it open meanwhile.
CString FileSignature(CString strPath);
