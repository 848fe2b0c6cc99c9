// CFtpConnection: FtpOpenFileA, and raw commands whose success is read from the server's reply code.
#include "CFtpConnection.h"

#include <cstdlib>

CFtpConnection::CFtpConnection(CInternetSession* pSession, const char* pszServer, const char* pszUserName,
                               const char* pszPassword, DWORD_PTR dwContext, INTERNET_PORT nPort, BOOL bPassive)
    : CInternetConnection(pSession, pszServer, nPort, pszUserName, pszPassword, INTERNET_SERVICE_FTP,
                          bPassive ? INTERNET_FLAG_PASSIVE : 0, dwContext)
{
}

CInternetFile* CFtpConnection::OpenFile(const char* pszFileName, DWORD dwAccess, DWORD dwFlags, DWORD_PTR dwContext)
{
    HINTERNET hFile = ::FtpOpenFileA(m_hConnection.Get(), pszFileName, dwAccess, dwFlags, dwContext);
    if (!hFile) AfxThrowInternetException(dwContext);
    return new CInternetFile(hFile, dwContext);
}

UINT CFtpConnection::GetLastReply(CString& strText) const
{
    DWORD dwError = 0, len = 0;
    ::InternetGetLastResponseInfoA(&dwError, nullptr, &len);
    if (len == 0) {
        strText.Empty();
        return 0;
    }
    char* p = strText.GetBuffer(static_cast<int>(len) + 1);
    len += 1;
    BOOL ok = ::InternetGetLastResponseInfoA(&dwError, p, &len);
    strText.ReleaseBuffer(ok ? static_cast<int>(len) : 0);
    // A multi-line reply ends with its code too; the first three digits are the code.
    int code = std::atoi(strText);
    return code >= 100 && code < 600 ? static_cast<UINT>(code) : 0;
}

BOOL CFtpConnection::Command(const char* pszCommand, DWORD dwFlags, DWORD_PTR dwContext)
{
    if (::FtpCommandA(m_hConnection.Get(), FALSE, dwFlags, pszCommand, dwContext, nullptr)) return TRUE;
    CString reply;
    UINT code = GetLastReply(reply);
    return code >= 100 && code < 400;
}

BOOL CFtpConnection::GetFileSize(const char* pszFileName, DWORD& dwSize)
{
    // Servers may refuse SIZE in ASCII type, whose size would depend on line-end translation.
    if (!Command("TYPE I")) return FALSE;
    CString command("SIZE ");
    command += pszFileName;
    if (!Command(command)) return FALSE;
    CString reply;
    if (GetLastReply(reply) != 213 || reply.GetLength() < 5) return FALSE;
    char* end = nullptr;
    // msvcrt's own conversion: MinGW's strtoull would bring its parser and the 64-bit division into the program.
    unsigned long long size = _strtoui64(static_cast<const char*>(reply) + 4, &end, 10);
    if (end == static_cast<const char*>(reply) + 4 || size > 0xFFFFFFFFull) return FALSE;
    dwSize = static_cast<DWORD>(size);
    return TRUE;
}
