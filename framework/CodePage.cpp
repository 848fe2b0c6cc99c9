// CodePage: lead bytes and code-point conversion through the ANSI code page on Windows, iconv's GBK elsewhere.
#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {
// Every character of the code page lies in the Basic Multilingual Plane; surrogates are never characters.
bool IsEncodable(long nCode)
{
    return nCode > 0 && nCode <= 0xFFFF && (nCode < 0xD800 || nCode > 0xDFFF);
}

#ifndef _WIN32
// One conversion descriptor per thread: iconv_t keeps shift state and is not safe to share.
class GbkConverter {
public:
    GbkConverter() : m_cd(iconv_open("GBK", "UTF-32LE")) {}
    ~GbkConverter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    // Converts one code point; returns the byte count written to out, 0 when GBK has no form.
    size_t Convert(long nCode, char* out, size_t cbOut)
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) return 0;
        unsigned long u = static_cast<unsigned long>(nCode);
        char in[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                      static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
        char* pIn = in;
        size_t cbIn = sizeof in;
        char* pOut = out;
        size_t cbLeft = cbOut;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &pIn, &cbIn, &pOut, &cbLeft) == static_cast<size_t>(-1)) return 0;
        return cbOut - cbLeft;
    }

private:
    iconv_t m_cd;
};
#endif
}  // namespace

const CodePage& CodePage::Ansi()
{
    static const CodePage cp;
    return cp;
}

CodePage::CodePage()
{
    for (int c = 0; c < 256; ++c) {
#ifdef _WIN32
        m_bLead[c] = ::IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(c)) != FALSE;
#else
        // GBK: every byte from 0x81 to 0xFE opens a double-byte character.
        m_bLead[c] = c >= 0x81 && c <= 0xFE;
#endif
    }
}

bool CodePage::AppendChar(long nCode, CString& strOut) const
{
    if (!IsEncodable(nCode)) return false;
    if (nCode < 0x80) {
        strOut += static_cast<char>(nCode);
        return true;
    }
    char buf[8];
#ifdef _WIN32
    WCHAR wc = static_cast<WCHAR>(nCode);
    BOOL bUsedDefault = FALSE;
    // No best fit: a character the code page lacks has no form rather than a look-alike.
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wc, 1, buf, sizeof buf, nullptr,
                                  &bUsedDefault);
    if (n <= 0 || bUsedDefault) return false;
    size_t cb = static_cast<size_t>(n);
#else
    thread_local GbkConverter converter;
    size_t cb = converter.Convert(nCode, buf, sizeof buf);
    if (cb == 0) return false;
#endif
    strOut += CString(buf, static_cast<int>(cb));
    return true;
}
