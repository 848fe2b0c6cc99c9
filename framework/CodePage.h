// CodePage: the multibyte rules of the ANSI code page (GBK, 936): lead bytes and code-point encoding.
#pragma once

#include "CString.h"

class CodePage {
public:
    // The process's ANSI code page: CP_ACP on Windows, GBK elsewhere.
    static const CodePage& Ansi();

    bool IsLeadByte(unsigned char c) const { return m_bLead[c]; }

    // Appends the multibyte form of a Unicode code point; false (nothing appended) when the code page
    // has none.
    bool AppendChar(long nCode, CString& strOut) const;

private:
    CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    bool m_bLead[256];
};
