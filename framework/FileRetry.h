// File calls that another program's open handle may block for a moment: retried briefly, read-only cleared.
#pragma once

#include <windows.h>

#include <functional>

// Runs operation until it succeeds or fails with an error other than a sharing or lock violation (or
// dwAlsoInUse, an error the caller knows to mean the same), a few times with short waits in between: a
// scanner holds a new file for a moment. Returns the last result; GetLastError is the last try's.
BOOL RetryWhileShared(const std::function<BOOL()>& operation, DWORD dwAlsoInUse = ERROR_SHARING_VIOLATION);

// DeleteFileA after clearing the file's read-only attribute, retried while shared.
BOOL DeleteFileRetrying(const char* pszPath);

// MoveFileExA replacing pszTo, after clearing its read-only attribute, retried while pszTo is in use.
BOOL MoveFileReplacing(const char* pszFrom, const char* pszTo);
