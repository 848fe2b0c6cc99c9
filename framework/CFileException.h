// CFileException: a failed file operation, with the operating system's error code and the file's name.
#pragma once

#include "CException.h"
#include "CString.h"

class CFileException : public CException {
public:
    enum { none = 0, genericException = 1, fileNotFound = 2, badPath = 3, tooManyOpenFiles = 4, accessDenied = 5,
           invalidFile = 6, removeCurrentDir = 7, directoryFull = 8, badSeek = 9, hardIO = 10, sharingViolation = 11,
           lockViolation = 12, diskFull = 13, endOfFile = 14 };

    explicit CFileException(int cause = none, LONG lOsError = -1, const char* pszFileName = nullptr)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(pszFileName)
    {
    }

    BOOL GetErrorMessage(LPSTR pszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;

    // The cause above that matches a Win32 error code.
    static int OsErrorToException(LONG lOsError);
    // Throws a CFileException for a Win32 error code.
    [[noreturn]] static void ThrowOsError(LONG lOsError, const char* pszFileName = nullptr);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};
