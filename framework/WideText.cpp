// WideText: the conversions from code page 936, named explicitly, and from the ANSI code page for paths.
#include "WideText.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {
// The texts are GBK on every system: CP_ACP would read them as 1252 or 950 bytes on other editions.
const UINT kGbkCodePage = 936;
}  // namespace

WideText::WideText(const char* pszGbk, int nLength) : WideText(kGbkCodePage, 0, pszGbk, nLength) {}

WideText WideText::FromAnsiPath(const char* pszPath)
{
    return WideText(CP_ACP, MB_ERR_INVALID_CHARS, pszPath, -1);
}

WideText::WideText(unsigned nCodePage, unsigned long dwFlags, const char* pch, int nLength)
{
    if (!pch) return;
    const int cb = nLength < 0 ? static_cast<int>(std::strlen(pch)) : nLength;
    if (cb == 0) return;
    const int n = ::MultiByteToWideChar(nCodePage, dwFlags, pch, cb, nullptr, 0);
    if (n <= 0) return;
    ::MultiByteToWideChar(nCodePage, dwFlags, pch, cb, GetBuffer(n), n);
}

bool operator==(const WideText& a, const wchar_t* b)
{
    const wchar_t* pb = b ? b : L"";
    return std::wcslen(pb) == static_cast<size_t>(a.GetLength()) && std::wcscmp(a.c_str(), pb) == 0;
}

wchar_t* WideText::GetBuffer(int nLength)
{
    m_chars.assign(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, L'\0');
    return m_chars.data();
}

void WideText::ReleaseBuffer(int nLength)
{
    if (m_chars.empty()) return;
    const int nRoom = static_cast<int>(m_chars.size()) - 1;
    int nKept = nLength < 0 ? static_cast<int>(std::wcslen(m_chars.data())) : nLength;
    if (nKept > nRoom) nKept = nRoom;
    if (nKept == 0) {
        m_chars.clear();
        return;
    }
    m_chars.resize(static_cast<size_t>(nKept) + 1);
    m_chars[static_cast<size_t>(nKept)] = L'\0';
}
