// CException: the root of the framework's exceptions, thrown by pointer and released with Delete().
#pragma once

#include <windows.h>

class CException {
public:
    CException() = default;
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;
    virtual ~CException() = default;

    // Copies a readable text of the error into pszError (at most nMaxError bytes, terminated); FALSE when
    // there is no text.
    virtual BOOL GetErrorMessage(LPSTR pszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const = 0;
    // The catcher owns the thrown object: `catch (CException* e) { ...; e->Delete(); }`.
    void Delete() { delete this; }
};
