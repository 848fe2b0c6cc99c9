// CString: the byte buffer, formatting, substring, search, trimming and buffer access.
#include "CString.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

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

int ClampCount(int n, int limit)
{
    if (n < 0) return 0;
    return n > limit ? limit : n;
}

int Length(const char* psz)
{
    const size_t n = psz ? std::strlen(psz) : 0;
    // A text the int lengths cannot count is one no buffer could be made for.
    if (n >= static_cast<size_t>(INT_MAX)) throw std::bad_alloc();
    return static_cast<int>(n);
}
}  // namespace

CString::CString(const char* psz) : CString(psz, Length(psz)) {}

CString::CString(const char* pch, int nLength)
{
    if (pch && nLength > 0) Append(pch, nLength);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other) {
        SetLength(0);
        Append(other.m_pch, other.m_nLength);
    }
    return *this;
}

CString& CString::operator=(const char* psz)
{
    // psz may lie in this string's own buffer.
    CString copy(psz);
    Swap(copy);
    return *this;
}

CString& CString::operator+=(const char* psz)
{
    return Append(psz, Length(psz));
}

bool operator==(const CString& a, const CString& b)
{
    return a.m_nLength == b.m_nLength && std::memcmp(a.GetString(), b.GetString(), a.m_nLength) == 0;
}

bool operator==(const CString& a, const char* b)
{
    const char* pb = b ? b : "";
    const size_t n = std::strlen(pb);
    return static_cast<size_t>(a.m_nLength) == n && std::memcmp(a.GetString(), pb, n) == 0;
}

void CString::Reserve(int nLength)
{
    if (m_pch && nLength <= m_nCapacity) return;
    // Growing by half at least keeps a string built by appending linear in its length.
    int nCapacity = m_nCapacity < INT_MAX / 3 * 2 ? m_nCapacity + m_nCapacity / 2 : INT_MAX - 1;
    if (nCapacity < nLength) nCapacity = nLength;
    char* pNew = new char[static_cast<size_t>(nCapacity) + 1];
    if (m_pch) std::memcpy(pNew, m_pch, static_cast<size_t>(m_nLength) + 1);
    else pNew[0] = '\0';
    delete[] m_pch;
    m_pch = pNew;
    m_nCapacity = nCapacity;
}

void CString::SetLength(int nLength)
{
    m_nLength = nLength;
    if (m_pch) m_pch[nLength] = '\0';
}

CString& CString::Append(const char* pch, int nLength)
{
    if (nLength <= 0) return *this;
    if (nLength > INT_MAX - 1 - m_nLength) throw std::bad_alloc();
    // The bytes may be this string's own: they are copied before a smaller buffer is let go.
    if (m_nLength + nLength > m_nCapacity) {
        CString grown;
        grown.Reserve(m_nLength + nLength);
        if (m_pch) std::memcpy(grown.m_pch, m_pch, static_cast<size_t>(m_nLength));
        std::memcpy(grown.m_pch + m_nLength, pch, static_cast<size_t>(nLength));
        grown.SetLength(m_nLength + nLength);
        Swap(grown);
    } else {
        std::memmove(m_pch + m_nLength, pch, static_cast<size_t>(nLength));
        SetLength(m_nLength + nLength);
    }
    return *this;
}

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
        Empty();
        return;
    }
    // The arguments may be this string's own text: the result is made apart from it.
    CString result;
    FormatInto(result.GetBuffer(n), static_cast<size_t>(n) + 1, pszFormat, args);
    result.SetLength(n);
    Swap(result);
}

CString CString::Left(int nCount) const
{
    return CString(m_pch, ClampCount(nCount, m_nLength));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, m_nLength);
}

CString CString::Mid(int nFirst, int nCount) const
{
    const int first = ClampCount(nFirst, m_nLength);
    return CString(GetString() + first, ClampCount(nCount, m_nLength - first));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= m_nLength) return -1;
    const void* pHit = std::memchr(m_pch + nStart, ch, static_cast<size_t>(m_nLength - nStart));
    return pHit ? static_cast<int>(static_cast<const char*>(pHit) - m_pch) : -1;
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > m_nLength) return -1;
    const size_t nSub = std::strlen(pszSub);
    for (int i = nStart; static_cast<size_t>(m_nLength - i) >= nSub; ++i)
        if (std::memcmp(GetString() + i, pszSub, nSub) == 0) return i;
    return -1;
}

int CString::FindOneOf(const char* pszCharSet, int nStart) const
{
    if (!pszCharSet || nStart < 0) return -1;
    for (int i = nStart; i < m_nLength; ++i)
        if (m_pch[i] && std::strchr(pszCharSet, m_pch[i])) return i;
    return -1;
}

int CString::ReverseFind(char ch) const
{
    for (int i = m_nLength - 1; i >= 0; --i)
        if (m_pch[i] == ch) return i;
    return -1;
}

int CString::Replace(char chOld, char chNew)
{
    int n = 0;
    for (int i = 0; i < m_nLength; ++i) {
        if (m_pch[i] == chOld) {
            m_pch[i] = chNew;
            ++n;
        }
    }
    return n;
}

int CString::Replace(const char* pszOld, const char* pszNew)
{
    if (!pszOld || !*pszOld) return 0;
    const int nOld = Length(pszOld);
    CString out;
    int n = 0;
    int pos = 0;
    for (int hit; (hit = Find(pszOld, pos)) >= 0; pos = hit + nOld) {
        out.Append(m_pch + pos, hit - pos);
        out += pszNew;
        ++n;
    }
    if (n == 0) return 0;
    out.Append(m_pch + pos, m_nLength - pos);
    Swap(out);
    return n;
}

CString& CString::TrimLeft()
{
    return TrimLeft(kWhitespace);
}

CString& CString::TrimLeft(const char* pszTargets)
{
    const char* pSet = pszTargets ? pszTargets : "";
    int n = 0;
    while (n < m_nLength && m_pch[n] && std::strchr(pSet, m_pch[n])) ++n;
    if (n > 0) {
        std::memmove(m_pch, m_pch + n, static_cast<size_t>(m_nLength - n));
        SetLength(m_nLength - n);
    }
    return *this;
}

CString& CString::TrimRight()
{
    return TrimRight(kWhitespace);
}

CString& CString::TrimRight(const char* pszTargets)
{
    const char* pSet = pszTargets ? pszTargets : "";
    int n = m_nLength;
    while (n > 0 && m_pch[n - 1] && std::strchr(pSet, m_pch[n - 1])) --n;
    if (n < m_nLength) SetLength(n);
    return *this;
}

char* CString::GetBuffer(int nMinLength)
{
    Reserve(nMinLength > m_nLength ? nMinLength : m_nLength);
    if (nMinLength > m_nLength) {
        // The bytes up to nMinLength are the caller's to fill; the old contents stay in front of them.
        std::memset(m_pch + m_nLength, 0, static_cast<size_t>(nMinLength - m_nLength));
        SetLength(nMinLength);
    }
    return m_pch;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0) {
        const void* pNul = m_pch ? std::memchr(m_pch, '\0', static_cast<size_t>(m_nLength)) : nullptr;
        if (pNul) SetLength(static_cast<int>(static_cast<const char*>(pNul) - m_pch));
    } else {
        SetLength(ClampCount(nNewLength, m_nLength));
    }
}
