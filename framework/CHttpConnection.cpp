// CHttpConnection: HttpOpenRequestA on the connection handle.
#include "CHttpConnection.h"

namespace {
const char* const kVerbs[] = {"POST", "GET", "HEAD", "PUT", "LINK", "DELETE", "UNLINK"};
}

CHttpConnection::CHttpConnection(CInternetSession* pSession, const char* pszServer, INTERNET_PORT nPort,
                                 const char* pszUserName, const char* pszPassword, DWORD_PTR dwContext)
    : CInternetConnection(pSession, pszServer, nPort, pszUserName, pszPassword, INTERNET_SERVICE_HTTP, 0, dwContext)
{
}

CHttpFile* CHttpConnection::OpenRequest(int nVerb, const char* pszObject, const char* pszReferer, DWORD_PTR dwContext,
                                        const char** ppszAcceptTypes, const char* pszVersion, DWORD dwFlags)
{
    if (nVerb < HTTP_VERB_POST || nVerb > HTTP_VERB_UNLINK) AfxThrowInternetException(dwContext, ERROR_INVALID_PARAMETER);
    return OpenRequest(kVerbs[nVerb], pszObject, pszReferer, dwContext, ppszAcceptTypes, pszVersion, dwFlags);
}

CHttpFile* CHttpConnection::OpenRequest(const char* pszVerb, const char* pszObject, const char* pszReferer,
                                        DWORD_PTR dwContext, const char** ppszAcceptTypes, const char* pszVersion,
                                        DWORD dwFlags)
{
    HINTERNET hRequest = ::HttpOpenRequestA(m_hConnection.Get(), pszVerb, pszObject, pszVersion, pszReferer,
                                            ppszAcceptTypes, dwFlags, dwContext);
    if (!hRequest) AfxThrowInternetException(dwContext);
    return new CHttpFile(hRequest, dwContext);
}
