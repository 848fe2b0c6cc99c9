// CInternetConnection: InternetConnectA on the session's handle.
#include "CInternetConnection.h"

#include "CInternetSession.h"

CInternetConnection::CInternetConnection(CInternetSession* pSession, const char* pszServer, INTERNET_PORT nPort,
                                         const char* pszUserName, const char* pszPassword, DWORD dwService,
                                         DWORD dwFlags, DWORD_PTR dwContext)
{
    m_hConnection.Reset(::InternetConnectA(*pSession, pszServer, nPort, pszUserName, pszPassword, dwService, dwFlags,
                                           dwContext));
    if (!m_hConnection) AfxThrowInternetException(dwContext);
}
