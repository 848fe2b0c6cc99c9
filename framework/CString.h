// CString: a narrow (GBK) byte string with the framework's familiar operations; portable, no OS headers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <utility>

class CString {
public:
    CString() noexcept = default;
    CString(const char* psz);
    // nLength bytes of pch, NULs included; a null pch or a length below one gives an empty string.
    CString(const char* pch, int nLength);
    // Any contiguous byte string with data() and size() (the standard library's, in the tests).
    template <class Bytes, class = decltype(static_cast<const char*>(std::declval<const Bytes&>().data()))>
    CString(const Bytes& bytes) : CString(bytes.data(), static_cast<int>(bytes.size()))
    {
    }
    CString(const CString& other) : CString(other.m_pch, other.m_nLength) {}
    CString(CString&& other) noexcept { Swap(other); }
    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept
    {
        Swap(other);
        return *this;
    }
    ~CString() { delete[] m_pch; }

    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    void Empty() { SetLength(0); }
    // Always NUL-terminated, also when empty.
    const char* GetString() const { return m_nLength ? m_pch : ""; }
    operator const char*() const { return GetString(); }

    CString& operator=(const char* psz);
    CString& operator+=(const CString& s) { return Append(s.m_pch, s.m_nLength); }
    CString& operator+=(const char* psz);
    CString& operator+=(char ch) { return Append(&ch, 1); }
    friend CString operator+(const CString& a, const CString& b) { return CString(a) += b; }
    friend CString operator+(const CString& a, const char* b) { return CString(a) += b; }
    friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }
    friend bool operator==(const CString& a, const CString& b);
    friend bool operator==(const CString& a, const char* b);
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

    // printf-style formatting; the result replaces the contents.
    void Format(const char* pszFormat, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* pszFormat, va_list args);

    // Byte-indexed substring operations; out-of-range arguments are clamped as the framework does.
    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    // Search: byte offset of the first match at or after nStart, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    // The first byte at or after nStart that is one of pszCharSet's, or -1.
    int FindOneOf(const char* pszCharSet, int nStart = 0) const;
    // The offset of the last ch, or -1.
    int ReverseFind(char ch) const;

    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);

    // Trimming without arguments removes blanks, tabs, CR and LF; with a set, any of its bytes.
    CString& TrimLeft();
    CString& TrimLeft(const char* pszTargets);
    CString& TrimRight();
    CString& TrimRight(const char* pszTargets);
    CString& Trim() { TrimRight(); return TrimLeft(); }

    // Direct buffer access: GetBuffer makes room for nMinLength bytes plus a terminator; ReleaseBuffer
    // takes the length up to the first NUL (nNewLength < 0) or nNewLength bytes.
    char* GetBuffer(int nMinLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    void Swap(CString& other) noexcept
    {
        std::swap(m_pch, other.m_pch);
        std::swap(m_nLength, other.m_nLength);
        std::swap(m_nCapacity, other.m_nCapacity);
    }
    // Room for nLength bytes and the terminator, the contents kept.
    void Reserve(int nLength);
    // The first nLength bytes kept (the buffer already holds them), terminated.
    void SetLength(int nLength);
    CString& Append(const char* pch, int nLength);

    // Null until the first byte (or GetBuffer) needs a buffer; m_nCapacity bytes before the terminator's.
    char* m_pch = nullptr;
    int m_nLength = 0;
    int m_nCapacity = 0;
};
