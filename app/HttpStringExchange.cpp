// HttpStringExchange: the request with its own time-outs, the bounded body read, and the hand-over to the caller.
#include "HttpStringExchange.h"

#include <wininet.h>

#include "CInternetSession.h"
#include "CWinThread.h"

namespace {
const char kContentType[] = "Content-Type: application/x-www-form-urlencoded";
const UINT kReadChunk = 8191;
}  // namespace

HttpStringExchange::HttpStringExchange(const ServiceUrl& url, DWORD dwFlags, const HttpStringLimits& limits)
    : m_url(url), m_dwFlags(dwFlags), m_limits(limits), m_hDone(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

bool HttpStringExchange::Start(const std::shared_ptr<HttpStringExchange>& exchange)
{
    if (!exchange->m_hDone) return false;
    auto* pShared = new std::shared_ptr<HttpStringExchange>(exchange);
    if (AfxBeginThread(&HttpStringExchange::ThreadProc, pShared)) return true;
    delete pShared;
    return false;
}

UINT __cdecl HttpStringExchange::ThreadProc(LPVOID pParam)
{
    std::unique_ptr<std::shared_ptr<HttpStringExchange>> self(static_cast<std::shared_ptr<HttpStringExchange>*>(pParam));
    (*self)->Run();
    return 0;
}

bool HttpStringExchange::Wait(DWORD dwMs, CString& result)
{
    if (::WaitForSingleObject(m_hDone.Get(), dwMs) == WAIT_OBJECT_0) {
        result = m_result;
        return true;
    }
    m_bStop = true;
    return false;
}

void HttpStringExchange::Run()
{
    std::unique_ptr<CInternetSession> session;
    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> request;
    CString result;
    try {
        session.reset(new CInternetSession(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        connection.reset(session->GetHttpConnection(m_url.host, m_url.port, nullptr, nullptr));
        request.reset(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, m_url.object, nullptr, 1, nullptr,
                                              nullptr, m_dwFlags));
        // On the request and before it is sent: Wine applies a request's receive time-out from its sending on
        // and gives it none of its session's.
        request->SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, m_limits.dwConnectMs);
        request->SetOption(INTERNET_OPTION_SEND_TIMEOUT, m_limits.dwSendMs);
        request->SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, m_limits.dwReceiveMs);
        request->AddRequestHeaders(kContentType, HTTP_ADDREQ_FLAG_ADD_IF_NEW);
        request->SendRequest();
        DWORD status = 0;
        request->QueryInfoStatusCode(status);
        if (status == HTTP_STATUS_OK) ReadBody(*request, result);
    } catch (CInternetException* e) {
        e->Delete();
    }
    m_result = result;
    ::SetEvent(m_hDone.Get());
}

void HttpStringExchange::ReadBody(CHttpFile& request, CString& result)
{
    // Each read takes what has arrived: a blocking read of a whole chunk would wait for 8191 bytes of a body
    // that trickles, and a stop would wait with it.
    request.SetReadBufferSize(kReadChunk);
    char buffer[kReadChunk];
    while (!m_bStop) {
        const UINT got = request.Read(buffer, kReadChunk);
        if (got == 0) return;
        if (static_cast<size_t>(result.GetLength()) + got > m_limits.nMaxBody) {
            CString line;
            line.Format("Quillfen: the setup-info answer passes %u bytes; it is not an answer\n",
                        static_cast<unsigned>(m_limits.nMaxBody));
            ::OutputDebugStringA(line);
            result.Empty();
            return;
        }
        result += CString(buffer, static_cast<int>(got));
    }
}
