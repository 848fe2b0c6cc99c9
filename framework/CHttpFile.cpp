// CHttpFile: HttpAddRequestHeaders, HttpSendRequest, HttpQueryInfo and InternetErrorDlg on the request handle.
#include "CHttpFile.h"

#include "CWnd.h"

BOOL CHttpFile::AddRequestHeaders(const char* pszHeaders, DWORD dwFlags, int nHeadersLen)
{
    return ::HttpAddRequestHeadersA(m_hFile.Get(), pszHeaders, static_cast<DWORD>(nHeadersLen), dwFlags);
}

BOOL CHttpFile::SendRequest(const char* pszHeaders, DWORD dwHeadersLen, LPVOID lpOptional, DWORD dwOptionalLen)
{
    if (!::HttpSendRequestA(m_hFile.Get(), pszHeaders, dwHeadersLen, lpOptional, dwOptionalLen))
        AfxThrowInternetException(m_dwContext);
    return TRUE;
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& dwStatusCode) const
{
    return QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, dwStatusCode);
}

BOOL CHttpFile::QueryInfo(DWORD dwInfoLevel, CString& str) const
{
    DWORD len = 0;
    ::HttpQueryInfoA(m_hFile.Get(), dwInfoLevel, nullptr, &len, nullptr);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || len == 0) {
        str.Empty();
        return FALSE;
    }
    char* p = str.GetBuffer(static_cast<int>(len) + 1);
    BOOL ok = ::HttpQueryInfoA(m_hFile.Get(), dwInfoLevel, p, &len, nullptr);
    str.ReleaseBuffer(ok ? static_cast<int>(len) : 0);
    return ok;
}

BOOL CHttpFile::QueryInfo(DWORD dwInfoLevel, DWORD& dwResult) const
{
    DWORD len = sizeof dwResult;
    return ::HttpQueryInfoA(m_hFile.Get(), dwInfoLevel, &dwResult, &len, nullptr);
}

DWORD CHttpFile::ErrorDlg(CWnd* pParent, DWORD dwError, DWORD dwFlags, LPVOID* lppvData)
{
    // The dialog needs an owner; without one the desktop stands in.
    HWND hWnd = pParent ? pParent->GetSafeHwnd() : ::GetDesktopWindow();
    return ::InternetErrorDlg(hWnd, m_hFile.Get(), dwError, dwFlags, lppvData);
}
