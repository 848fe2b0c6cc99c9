// WideText: UTF-16 text for the wide calls: the program's own GBK texts, or what a wide call writes back.
#pragma once

#include <vector>

class WideText {
public:
    WideText() = default;
    // nLength bytes of pszGbk, or up to its NUL when nLength is negative; a null text gives an empty one.
    explicit WideText(const char* pszGbk, int nLength = -1);
    // A path as the narrow file calls read it, in the ANSI code page; empty when a byte is not valid there.
    static WideText FromAnsiPath(const char* pszPath);

    const wchar_t* c_str() const { return m_chars.empty() ? L"" : m_chars.data(); }
    int GetLength() const { return m_chars.empty() ? 0 : static_cast<int>(m_chars.size()) - 1; }
    bool IsEmpty() const { return GetLength() == 0; }
    friend bool operator==(const WideText& a, const wchar_t* b);

    // Room for nLength characters and a terminator, for a wide call to write; ReleaseBuffer keeps the first
    // nLength characters, or those before the first NUL when nLength is negative.
    wchar_t* GetBuffer(int nLength);
    void ReleaseBuffer(int nLength = -1);

private:
    WideText(unsigned nCodePage, unsigned long dwFlags, const char* pch, int nLength);

    // The characters and their terminator; no element at all while empty.
    std::vector<wchar_t> m_chars;
};
