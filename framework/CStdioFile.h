// CStdioFile: a CFile that writes text; in text mode (the default) each "\n" is written as "\r\n".
#pragma once

#include "CFile.h"

class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    CStdioFile(const char* pszFileName, UINT nOpenFlags) : CFile(pszFileName, nOpenFlags), m_bText(IsText(nOpenFlags)) {}

    BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    void WriteString(const char* psz);

private:
    static bool IsText(UINT nOpenFlags) { return !(nOpenFlags & typeBinary); }
    bool m_bText = true;
};
