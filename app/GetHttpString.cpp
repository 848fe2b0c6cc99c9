// GetHttpString: the setup-info request: cache bypassed, the server's certificate checked in full, 8191-byte reads.
#include "GetHttpString.h"

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "CInternetSession.h"
#include "ServiceUrl.h"

namespace {
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE |
                            INTERNET_FLAG_KEEP_CONNECTION;
const char kContentType[] = "Content-Type: application/x-www-form-urlencoded";
const UINT kReadChunk = 8191;
}  // namespace

CString GetHttpString(CString strUrl)
{
    CString result;
    ServiceUrl url;
    if (!ServiceUrl::Split(strUrl, &url)) return result;
    const DWORD flags = url.secure ? (kRequestFlags | INTERNET_FLAG_SECURE) : kRequestFlags;

    CInternetSession session(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> request;
    try {
        connection.reset(session.GetHttpConnection(url.host, url.port, nullptr, nullptr));
        request.reset(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, url.object, nullptr, 1, nullptr,
                                              nullptr, flags));
        request->AddRequestHeaders(kContentType, HTTP_ADDREQ_FLAG_ADD_IF_NEW);
        request->SendRequest();
        DWORD status = 0;
        request->QueryInfoStatusCode(status);
        if (status == HTTP_STATUS_OK) {
            char buffer[kReadChunk + 1];
            UINT got;
            do {
                got = request->Read(buffer, kReadChunk);
                if (got > 0) result += CString(buffer, static_cast<int>(got));
            } while (got == kReadChunk);
        }
    } catch (CInternetException* e) {
        e->Delete();
    }
    if (request) request->Close();
    if (connection) connection->Close();
    session.Close();
    return result;
}
