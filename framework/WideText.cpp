// WideText: one conversion, from code page 936 named explicitly, for every text that meets the window system.
#include "WideText.h"

#include <windows.h>

#include <cstring>

namespace {
// The texts are GBK on every system: CP_ACP would read them as 1252 or 950 bytes on other editions.
const UINT kGbkCodePage = 936;
}  // namespace

std::wstring WideText(const char* pszGbk, int nLength)
{
    if (!pszGbk) return std::wstring();
    const int cb = nLength < 0 ? static_cast<int>(std::strlen(pszGbk)) : nLength;
    if (cb == 0) return std::wstring();
    const int n = ::MultiByteToWideChar(kGbkCodePage, 0, pszGbk, cb, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(kGbkCodePage, 0, pszGbk, cb, &wide[0], n);
    return wide;
}
