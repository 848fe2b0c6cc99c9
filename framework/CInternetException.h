// CInternetException: a failed WinInet call, with its error code and the context of the failing object.
#pragma once

#include <windows.h>

#include "CException.h"

class CInternetException : public CException {
public:
    explicit CInternetException(DWORD dwError, DWORD_PTR dwContext = 0) : m_dwError(dwError), m_dwContext(dwContext) {}

    // WinInet's text for the code; for an extended error, the server's last response follows it.
    BOOL GetErrorMessage(LPSTR pszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;

    DWORD m_dwError;
    DWORD_PTR m_dwContext;
};

// Throws a CInternetException for dwError (by default the calling thread's last error).
[[noreturn]] void AfxThrowInternetException(DWORD_PTR dwContext, DWORD dwError = 0);
