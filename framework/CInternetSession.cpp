// CInternetSession: InternetOpenA, InternetOpenUrlA and the connection factories.
#include "CInternetSession.h"

#include <cstring>
#include <memory>

#include "AfxParseURL.h"
#include "CWinApp.h"
#include "ManualProxy.h"
#include "RegistryKey.h"

namespace {

const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// A REG_SZ value's text; empty when it is missing or of another type.
CString ReadText(HKEY hKey, const char* pszName)
{
    DWORD dwType = 0, dwSize = 0;
    if (::RegQueryValueExA(hKey, pszName, nullptr, &dwType, nullptr, &dwSize) != ERROR_SUCCESS || dwType != REG_SZ ||
        dwSize == 0)
        return CString();
    CString text;
    const DWORD cbRoom = dwSize;
    BYTE* pData = reinterpret_cast<BYTE*>(text.GetBuffer(static_cast<int>(cbRoom)));
    if (::RegQueryValueExA(hKey, pszName, nullptr, &dwType, pData, &dwSize) != ERROR_SUCCESS || dwType != REG_SZ)
        return CString();
    // The stored text need not end with a terminator, and may end with several.
    text.ReleaseBuffer(static_cast<int>(strnlen(text, dwSize < cbRoom ? dwSize : cbRoom)));
    return text;
}

// The manual proxy of the user's Internet settings (HKCU ... Internet Settings: ProxyEnable, ProxyServer,
// ProxyOverride), none when it is switched off.
ManualProxy ReadManualProxy()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return ManualProxy();
    RegistryKey key(hKey);
    DWORD dwEnabled = 0, dwType = 0, dwSize = sizeof dwEnabled;
    if (::RegQueryValueExA(key.Get(), "ProxyEnable", nullptr, &dwType, reinterpret_cast<BYTE*>(&dwEnabled),
                           &dwSize) != ERROR_SUCCESS ||
        dwType != REG_DWORD || !dwEnabled)
        return ManualProxy();
    return ManualProxy::FromSettings(ReadText(key.Get(), "ProxyServer"), ReadText(key.Get(), "ProxyOverride"));
}

}  // namespace

CInternetSession::CInternetSession(const char* pszAgent, DWORD_PTR dwContext, DWORD dwAccessType,
                                   const char* pszProxyName, const char* pszProxyBypass, DWORD dwFlags)
    : m_dwContext(dwContext)
{
    CString agent(pszAgent);
    if (!pszAgent && AfxGetApp()) agent = AfxGetApp()->m_strAppName;
    if (dwAccessType == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY && !pszProxyName) {
        // Windows takes the user's manual proxy for this type and leaves automatic configuration out; Wine reads
        // the settings for INTERNET_OPEN_TYPE_PRECONFIG only and goes direct for this one (dlls/wininet,
        // InternetOpenW). Read as Windows documents them and named to WinInet, they apply alike on both.
        const ManualProxy proxy = ReadManualProxy();
        const char* pszBypass = proxy.m_strBypass.IsEmpty() ? nullptr : static_cast<const char*>(proxy.m_strBypass);
        m_hSession.Reset(proxy.IsSet() ? ::InternetOpenA(agent, INTERNET_OPEN_TYPE_PROXY, proxy.m_strProxy, pszBypass,
                                                         dwFlags)
                                       : ::InternetOpenA(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, dwFlags));
    } else {
        m_hSession.Reset(::InternetOpenA(agent, dwAccessType, pszProxyName, pszProxyBypass, dwFlags));
    }
    if (!m_hSession) AfxThrowInternetException(dwContext);
}

BOOL CInternetSession::SetOption(DWORD dwOption, DWORD dwValue)
{
    if (dwOption == INTERNET_OPTION_DATA_RECEIVE_TIMEOUT) m_dwDataReceiveTimeout = dwValue;
    return ::InternetSetOptionA(m_hSession.Get(), dwOption, &dwValue, sizeof dwValue);
}

CInternetFile* CInternetSession::OpenURL(const char* pszURL, DWORD_PTR dwContext, DWORD dwFlags,
                                         const char* pszHeaders, DWORD dwHeadersLength)
{
    DWORD dwService = 0;
    CString server, object, user, password;
    INTERNET_PORT nPort = 0;
    if (!AfxParseURLEx(pszURL, dwService, server, object, nPort, user, password) ||
        (dwService != AFX_INET_SERVICE_HTTP && dwService != AFX_INET_SERVICE_HTTPS && dwService != AFX_INET_SERVICE_FTP))
        AfxThrowInternetException(dwContext, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    if (dwService == AFX_INET_SERVICE_FTP) {
        HINTERNET hFile = ::InternetOpenUrlA(m_hSession.Get(), pszURL, pszHeaders, dwHeadersLength, dwFlags, dwContext);
        if (!hFile) AfxThrowInternetException(dwContext);
        return new CInternetFile(hFile, dwContext);
    }
    // An HTTP URL is opened as InternetOpenUrl opens it, as a connection and a GET request, but here, so that
    // the receive time-out is set on the request before it is sent: Wine gives the connections InternetOpenUrl
    // makes none of their session's time-outs, and applies a request's own only from its sending on.
    InternetHandle hConnection(::InternetConnectA(m_hSession.Get(), server, nPort, user.IsEmpty() ? nullptr : user,
                                                  password.IsEmpty() ? nullptr : password, INTERNET_SERVICE_HTTP, 0,
                                                  dwContext));
    if (!hConnection) AfxThrowInternetException(dwContext);
    if (dwService == AFX_INET_SERVICE_HTTPS) dwFlags |= INTERNET_FLAG_SECURE;
    HINTERNET hRequest = ::HttpOpenRequestA(hConnection.Get(), "GET", object, nullptr, nullptr, nullptr, dwFlags,
                                            dwContext);
    if (!hRequest) AfxThrowInternetException(dwContext);
    std::unique_ptr<CHttpFile> pFile(new CHttpFile(hRequest, dwContext));
    pFile->KeepConnection(std::move(hConnection));
    if (m_dwDataReceiveTimeout) pFile->SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, m_dwDataReceiveTimeout);
    pFile->SendRequest(pszHeaders, pszHeaders ? dwHeadersLength : 0);
    return pFile.release();
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
