// CHttpFile: an HTTP request and its response: headers to add, sending, status and header queries, body reads.
#pragma once

#include "CInternetFile.h"
#include "CString.h"

class CWnd;

class CHttpFile : public CInternetFile {
public:
    using CInternetFile::CInternetFile;

    // nHeadersLen -1 means zero-terminated. FALSE on failure.
    BOOL AddRequestHeaders(const char* pszHeaders, DWORD dwFlags = HTTP_ADDREQ_FLAG_ADD_IF_NEW, int nHeadersLen = -1);
    // Sends the request; a failure to send throws CInternetException*.
    BOOL SendRequest(const char* pszHeaders = nullptr, DWORD dwHeadersLen = 0, LPVOID lpOptional = nullptr,
                     DWORD dwOptionalLen = 0);
    BOOL QueryInfoStatusCode(DWORD& dwStatusCode) const;
    // Header text at dwInfoLevel (HTTP_QUERY_RAW_HEADERS_CRLF and the like); FALSE when absent.
    BOOL QueryInfo(DWORD dwInfoLevel, CString& str) const;
    // A numeric header; dwInfoLevel should include HTTP_QUERY_FLAG_NUMBER.
    BOOL QueryInfo(DWORD dwInfoLevel, DWORD& dwResult) const;
    // The platform's dialog for dwError (for example the log-in dialog for a 401); returns the dialog's result,
    // ERROR_INTERNET_FORCE_RETRY when the request should be sent again.
    DWORD ErrorDlg(CWnd* pParent, DWORD dwError, DWORD dwFlags, LPVOID* lppvData = nullptr);
};
