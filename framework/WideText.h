// WideText: the program's own texts, GBK bytes whatever the system's ANSI code page, as UTF-16 for the wide calls.
#pragma once

#include <string>

// nLength bytes of pszGbk, or up to its NUL when nLength is negative; a null text gives an empty one.
std::wstring WideText(const char* pszGbk, int nLength = -1);
