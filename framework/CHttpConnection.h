// CHttpConnection: a connection to an HTTP server on which requests are opened.
#pragma once

#include "CHttpFile.h"
#include "CInternetConnection.h"

class CHttpConnection : public CInternetConnection {
public:
    enum { HTTP_VERB_POST = 0, HTTP_VERB_GET = 1, HTTP_VERB_HEAD = 2, HTTP_VERB_PUT = 3, HTTP_VERB_LINK = 4,
           HTTP_VERB_DELETE = 5, HTTP_VERB_UNLINK = 6 };

    CHttpConnection(CInternetSession* pSession, const char* pszServer, INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER,
                    const char* pszUserName = nullptr, const char* pszPassword = nullptr, DWORD_PTR dwContext = 1);

    // Opens a request for pszObject; the caller deletes the result. A failure throws CInternetException*.
    CHttpFile* OpenRequest(int nVerb, const char* pszObject, const char* pszReferer = nullptr, DWORD_PTR dwContext = 1,
                           const char** ppszAcceptTypes = nullptr, const char* pszVersion = nullptr,
                           DWORD dwFlags = INTERNET_FLAG_EXISTING_CONNECT);
    CHttpFile* OpenRequest(const char* pszVerb, const char* pszObject, const char* pszReferer = nullptr,
                           DWORD_PTR dwContext = 1, const char** ppszAcceptTypes = nullptr,
                           const char* pszVersion = nullptr, DWORD dwFlags = INTERNET_FLAG_EXISTING_CONNECT);
};
