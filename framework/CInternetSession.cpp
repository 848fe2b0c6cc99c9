// CInternetSession: InternetOpenA, InternetOpenUrlA and the connection factories.
#include "CInternetSession.h"

#include "AfxParseURL.h"
#include "CWinApp.h"

CInternetSession::CInternetSession(const char* pszAgent, DWORD_PTR dwContext, DWORD dwAccessType,
                                   const char* pszProxyName, const char* pszProxyBypass, DWORD dwFlags)
    : m_dwContext(dwContext)
{
    CString agent(pszAgent);
    if (!pszAgent && AfxGetApp()) agent = AfxGetApp()->m_strAppName;
    m_hSession.Reset(::InternetOpenA(agent, dwAccessType, pszProxyName, pszProxyBypass, dwFlags));
    if (!m_hSession) AfxThrowInternetException(dwContext);
}

BOOL CInternetSession::SetOption(DWORD dwOption, DWORD dwValue)
{
    return ::InternetSetOptionA(m_hSession.Get(), dwOption, &dwValue, sizeof dwValue);
}

BOOL CInternetSession::QueryOption(DWORD dwOption, DWORD& dwValue) const
{
    DWORD len = sizeof dwValue;
    return ::InternetQueryOptionA(m_hSession.Get(), dwOption, &dwValue, &len);
}

CInternetFile* CInternetSession::OpenURL(const char* pszURL, DWORD_PTR dwContext, DWORD dwFlags,
                                         const char* pszHeaders, DWORD dwHeadersLength)
{
    DWORD dwService = 0;
    CString server, object;
    INTERNET_PORT nPort = 0;
    if (!AfxParseURL(pszURL, dwService, server, object, nPort) ||
        (dwService != AFX_INET_SERVICE_HTTP && dwService != AFX_INET_SERVICE_HTTPS && dwService != AFX_INET_SERVICE_FTP))
        AfxThrowInternetException(dwContext, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    HINTERNET hFile = ::InternetOpenUrlA(m_hSession.Get(), pszURL, pszHeaders, dwHeadersLength, dwFlags, dwContext);
    if (!hFile) AfxThrowInternetException(dwContext);
    if (dwService == AFX_INET_SERVICE_FTP) return new CInternetFile(hFile, nullptr, object, server, dwContext);
    return new CHttpFile(hFile, nullptr, object, server, dwContext);
}

CHttpConnection* CInternetSession::GetHttpConnection(const char* pszServer, INTERNET_PORT nPort,
                                                     const char* pszUserName, const char* pszPassword)
{
    return new CHttpConnection(this, pszServer, nPort, pszUserName, pszPassword, m_dwContext);
}

CFtpConnection* CInternetSession::GetFtpConnection(const char* pszServer, const char* pszUserName,
                                                   const char* pszPassword, INTERNET_PORT nPort, BOOL bPassive)
{
    return new CFtpConnection(this, pszServer, pszUserName, pszPassword, m_dwContext, nPort, bPassive);
}
