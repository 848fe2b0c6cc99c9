// CInternetSession: one WinInet session: options, URLs opened directly, and HTTP and FTP connections.
#pragma once

#include "CFtpConnection.h"
#include "CHttpConnection.h"
#include "CInternetException.h"
#include "CObject.h"
#include "InternetHandle.h"

class CInternetSession : public CObject {
public:
    // A null agent names the application. With INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY and no proxy
    // named, the user's manual proxy is named for http and https (see there). A failure to open throws
    // CInternetException*.
    explicit CInternetSession(const char* pszAgent = nullptr, DWORD_PTR dwContext = 1,
                              DWORD dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG, const char* pszProxyName = nullptr,
                              const char* pszProxyBypass = nullptr, DWORD dwFlags = 0);

    // INTERNET_OPTION_DATA_RECEIVE_TIMEOUT is also set as the receive time-out of every HTTP request this
    // session's OpenURL sends (see there).
    BOOL SetOption(DWORD dwOption, DWORD dwValue);

    // Opens an http, https or ftp URL; an HTTP URL gives a CHttpFile, sent and answered. The caller deletes the
    // result. dwHeadersLength -1 means zero-terminated. A failure throws CInternetException*.
    CInternetFile* OpenURL(const char* pszURL, DWORD_PTR dwContext = 1, DWORD dwFlags = INTERNET_FLAG_TRANSFER_ASCII,
                           const char* pszHeaders = nullptr, DWORD dwHeadersLength = 0);
    // The caller deletes the connections; failures throw CInternetException*.
    CHttpConnection* GetHttpConnection(const char* pszServer, INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER,
                                       const char* pszUserName = nullptr, const char* pszPassword = nullptr);
    CFtpConnection* GetFtpConnection(const char* pszServer, const char* pszUserName = nullptr,
                                     const char* pszPassword = nullptr,
                                     INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER, BOOL bPassive = FALSE);

    virtual void Close() { m_hSession.Reset(); }
    operator HINTERNET() const { return m_hSession.Get(); }

private:
    InternetHandle m_hSession;
    DWORD_PTR m_dwContext;
    DWORD m_dwDataReceiveTimeout = 0;
};
