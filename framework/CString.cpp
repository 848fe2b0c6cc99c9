// CString: formatting, substring, search, trimming and buffer access over std::string.
#include "CString.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
const char kWhitespace[] = " \t\r\n";

#ifdef _WIN32
// Windows programs format with the runtime library's formatter (msvcrt). In C++ sources MinGW puts its own
// C99 formatter behind vsnprintf, which would bring about 25 KB of number conversion into the program for
// the few plain formats (%s, %d, %u, %lu, %.2f) it uses.
int FormattedLength(const char* pszFormat, va_list args)
{
    return _vscprintf(pszFormat, args);
}

void FormatInto(char* buffer, size_t size, const char* pszFormat, va_list args)
{
    _vsnprintf(buffer, size, pszFormat, args);
}
#else
int FormattedLength(const char* pszFormat, va_list args)
{
    return std::vsnprintf(nullptr, 0, pszFormat, args);
}

void FormatInto(char* buffer, size_t size, const char* pszFormat, va_list args)
{
    std::vsnprintf(buffer, size, pszFormat, args);
}
#endif

int ClampCount(int n, size_t limit)
{
    if (n < 0) return 0;
    return static_cast<size_t>(n) > limit ? static_cast<int>(limit) : n;
}
}  // namespace

void CString::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int n = FormattedLength(pszFormat, measure);
    va_end(measure);
    if (n < 0) {
        m_str.clear();
        return;
    }
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    FormatInto(buf.data(), buf.size(), pszFormat, args);
    m_str.assign(buf.data(), static_cast<size_t>(n));
}

CString CString::Left(int nCount) const
{
    return CString(m_str.substr(0, static_cast<size_t>(ClampCount(nCount, m_str.size()))));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    size_t first = static_cast<size_t>(ClampCount(nFirst, m_str.size()));
    size_t count = static_cast<size_t>(ClampCount(nCount, m_str.size() - first));
    return CString(m_str.substr(first, count));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || static_cast<size_t>(nStart) >= m_str.size()) return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || static_cast<size_t>(nStart) > m_str.size()) return -1;
    size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Replace(char chOld, char chNew)
{
    int n = 0;
    for (char& c : m_str) {
        if (c == chOld) {
            c = chNew;
            ++n;
        }
    }
    return n;
}

int CString::Replace(const char* pszOld, const char* pszNew)
{
    if (!pszOld || !*pszOld) return 0;
    const std::string from(pszOld), to(pszNew ? pszNew : "");
    std::string out;
    int n = 0;
    size_t pos = 0;
    for (size_t hit; (hit = m_str.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(m_str, pos, hit - pos).append(to);
        ++n;
    }
    out.append(m_str, pos, std::string::npos);
    m_str.swap(out);
    return n;
}

CString& CString::TrimLeft()
{
    return TrimLeft(kWhitespace);
}

CString& CString::TrimLeft(const char* pszTargets)
{
    size_t pos = m_str.find_first_not_of(pszTargets ? pszTargets : "");
    m_str.erase(0, pos == std::string::npos ? m_str.size() : pos);
    return *this;
}

CString& CString::TrimRight()
{
    return TrimRight(kWhitespace);
}

CString& CString::TrimRight(const char* pszTargets)
{
    size_t pos = m_str.find_last_not_of(pszTargets ? pszTargets : "");
    m_str.erase(pos == std::string::npos ? 0 : pos + 1);
    return *this;
}

char* CString::GetBuffer(int nMinLength)
{
    if (nMinLength > GetLength()) m_str.resize(static_cast<size_t>(nMinLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        m_str.resize(std::strlen(m_str.c_str()));
    else
        m_str.resize(static_cast<size_t>(nNewLength));
}
