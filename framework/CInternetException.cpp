// CInternetException: error texts come from wininet.dll's message table, which the system table lacks.
#include "CInternetException.h"

#include <wininet.h>

#include "CString.h"

BOOL CInternetException::GetErrorMessage(LPSTR pszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext) *pnHelpContext = 0;
    if (!pszError || nMaxError == 0) return FALSE;
    pszError[0] = '\0';
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                               ::GetModuleHandleA("wininet.dll"), m_dwError, 0, pszError, nMaxError, nullptr);
    while (n > 0 && (pszError[n - 1] == '\n' || pszError[n - 1] == '\r' || pszError[n - 1] == ' ')) pszError[--n] = '\0';
    if (n == 0) {
        CString text;
        text.Format("Internet error %lu", m_dwError);
        ::lstrcpynA(pszError, text, static_cast<int>(nMaxError));
        n = static_cast<DWORD>(::lstrlenA(pszError));
    }
    if (m_dwError == ERROR_INTERNET_EXTENDED_ERROR) {
        char response[512] = {};
        DWORD code = 0, len = sizeof response;
        if (::InternetGetLastResponseInfoA(&code, response, &len) && len > 0 && n + 2 < nMaxError)
            ::lstrcpynA(pszError + n, CString(": ") + response, static_cast<int>(nMaxError - n));
    }
    return TRUE;
}

void AfxThrowInternetException(DWORD_PTR dwContext, DWORD dwError)
{
    throw new CInternetException(dwError ? dwError : ::GetLastError(), dwContext);
}
