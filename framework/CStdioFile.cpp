// CStdioFile: text-mode writes translate line ends as the C runtime's text streams do.
#include "CStdioFile.h"

#include <cstring>

BOOL CStdioFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    m_bText = IsText(nOpenFlags);
    return CFile::Open(pszFileName, nOpenFlags, pError);
}

void CStdioFile::WriteString(const char* psz)
{
    if (!psz) return;
    if (!m_bText) {
        Write(psz, static_cast<UINT>(std::strlen(psz)));
        return;
    }
    for (const char* nl; (nl = std::strchr(psz, '\n')) != nullptr; psz = nl + 1) {
        Write(psz, static_cast<UINT>(nl - psz));
        Write("\r\n", 2);
    }
    Write(psz, static_cast<UINT>(std::strlen(psz)));
}
