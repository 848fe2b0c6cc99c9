// CInternetConnection: a connection handle to one server, the base of the HTTP and FTP connections.
#pragma once

#include "CInternetException.h"
#include "CObject.h"
#include "InternetHandle.h"

class CInternetSession;

class CInternetConnection : public CObject {
public:
    // Connects through InternetConnectA; a failure throws CInternetException*.
    CInternetConnection(CInternetSession* pSession, const char* pszServer, INTERNET_PORT nPort, const char* pszUserName,
                        const char* pszPassword, DWORD dwService, DWORD dwFlags, DWORD_PTR dwContext);

    virtual void Close() { m_hConnection.Reset(); }
    operator HINTERNET() const { return m_hConnection.Get(); }

protected:
    InternetHandle m_hConnection;
};
