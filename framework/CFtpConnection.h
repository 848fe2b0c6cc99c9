// CFtpConnection: a logged-in FTP control connection: remote files to open and raw commands to send.
#pragma once

#include "CInternetConnection.h"
#include "CInternetFile.h"
#include "CString.h"

class CFtpConnection : public CInternetConnection {
public:
    // Null user and password log in anonymously.
    CFtpConnection(CInternetSession* pSession, const char* pszServer, const char* pszUserName = nullptr,
                   const char* pszPassword = nullptr, DWORD_PTR dwContext = 1,
                   INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER, BOOL bPassive = FALSE);

    // Opens pszFileName for reading or writing; the caller deletes the result. A failure throws CInternetException*.
    CInternetFile* OpenFile(const char* pszFileName, DWORD dwAccess = GENERIC_READ,
                            DWORD dwFlags = FTP_TRANSFER_TYPE_BINARY, DWORD_PTR dwContext = 1);

    // Sends one command that opens no data connection (REST, SIZE, TYPE, ...). TRUE when the server's reply is
    // positive (1xx, 2xx or 3xx). FtpCommandA alone is not enough: some WinInet versions call an intermediate
    // reply such as "350" a failure, so a failed call is judged again by the server's last response.
    BOOL Command(const char* pszCommand, DWORD dwFlags = FTP_TRANSFER_TYPE_ASCII, DWORD_PTR dwContext = 0);
    // The server's reply to the last command, code and text; the code is 0 when there is none.
    UINT GetLastReply(CString& strText) const;
    // The size of a remote file by the SIZE command (RFC 3659) in binary type, for platforms whose
    // FtpGetFileSize gives nothing. FALSE when the server does not tell.
    BOOL GetFileSize(const char* pszFileName, DWORD& dwSize);
};
