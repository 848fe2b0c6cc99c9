// File calls retried while another handle blocks them; a read-only attribute would refuse them for good.
#include "FileRetry.h"

namespace {
const int kAttempts = 8;
const DWORD kWaitStepMs = 100;
const DWORD kLongestWaitMs = 500;

// DeleteFile and a replacing MoveFileEx fail with ERROR_ACCESS_DENIED on a read-only file.
void ClearReadOnly(const char* pszPath)
{
    const DWORD attributes = ::GetFileAttributesA(pszPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesA(pszPath, attributes & ~FILE_ATTRIBUTE_READONLY);
}
}  // namespace

BOOL RetryWhileShared(const std::function<BOOL()>& operation, DWORD dwAlsoInUse)
{
    for (int attempt = 1;; ++attempt) {
        if (operation()) return TRUE;
        const DWORD error = ::GetLastError();
        const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == dwAlsoInUse;
        if (!inUse || attempt == kAttempts) return FALSE;
        ::Sleep(attempt * kWaitStepMs < kLongestWaitMs ? attempt * kWaitStepMs : kLongestWaitMs);
    }
}

BOOL DeleteFileRetrying(const char* pszPath)
{
    ClearReadOnly(pszPath);
    return RetryWhileShared([pszPath] { return ::DeleteFileA(pszPath); });
}

BOOL MoveFileReplacing(const char* pszFrom, const char* pszTo)
{
    ClearReadOnly(pszTo);
    // Once it is writable, a target that is still refused is open in another program.
    return RetryWhileShared([=] { return ::MoveFileExA(pszFrom, pszTo, MOVEFILE_REPLACE_EXISTING); },
                            ERROR_ACCESS_DENIED);
}
