// CDownloadFile's HTTP and HTTPS transport: redirect probing, a ranged transfer request and a separate size request.
#include <memory>

#include "AfxParseURL.h"
#include "CDownloadFile.h"
#include "CInternetSession.h"
#include "ContentRange.h"
#include "RedirectLocation.h"

namespace {
const char kBaseHeaders[] = "Accept: */*\r\nUser-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; zh-CN)\r\n";
// The redirect probe and the size request read no body, but closing a request handle reads what is left of
// its body (to keep the connection for the next request) for as long as bytes keep arriving: on a fast link,
// the whole file, twice over. Asking for the first byte only keeps the body they leave to one byte; a
// redirect is answered the same with or without the range.
const CString kFirstByteHeaders = CString(kBaseHeaders) + "Range: bytes=0-0\r\n";
// A redirect WinInet follows itself (a 307, or any redirect of the size request) may cross between http and
// https; unflagged, WinInet may stop it to warn. The certificate of an https target is checked all the same.
const DWORD kTransferFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                             INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                             INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
const DWORD kProbeFlags = INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_AUTO_REDIRECT;
const DWORD kZeroTerminated = static_cast<DWORD>(-1);
const DWORD kStatusRangeNotSatisfiable = 416;

// The request headers for a transfer from dwOffset: the base headers, with an open-ended Range when resuming.
CString RequestHeaders(DWORD dwOffset)
{
    CString headers(kBaseHeaders);
    if (dwOffset > 0) {
        headers.Format("%sRange: bytes=%u-\r\n", kBaseHeaders, static_cast<unsigned>(dwOffset));
        ::OutputDebugStringA("Quillfen:CDownloadFile::GetHttpFile, request: " + headers);
    } else {
        ::OutputDebugStringA("new receive data.\n");
    }
    return headers;
}

// The whole length an answer tells: Content-Range's for a 206, and for a 416 to a range past the end ("bytes
// */0": an empty file has no first byte); Content-Length for a 200; 0 when it tells none (a chunked answer, or
// one ended by closing the connection).
DWORD TotalOfAnswer(const CHttpFile& request, DWORD dwStatus)
{
    DWORD dwLength = 0;
    CString range;
    uint32_t total = 0;
    if (dwStatus == HTTP_STATUS_PARTIAL_CONTENT || dwStatus == kStatusRangeNotSatisfiable)
        return request.QueryInfo(HTTP_QUERY_CONTENT_RANGE, range) && ContentRangeTotal(range, total) ? total : 0;
    if (dwStatus == HTTP_STATUS_OK && request.QueryInfo(HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, dwLength))
        return dwLength;
    return 0;
}

void LogException(const char* pszPrefix, const CException* e)
{
    char text[261] = {};
    e->GetErrorMessage(text, sizeof text);
    ::OutputDebugStringA(CString(pszPrefix) + text + (*pszPrefix ? "\n" : ""));
}
}  // namespace

int CDownloadFile::GetHttpFile(CInternetSession& session)
{
    DWORD dwOffset = 0;
    {
        CFile temp;
        if (!temp.Open(m_strTempPath, kTempOpenFlags | CFile::shareDenyNone)) {
            ::OutputDebugStringA("Open File failed\n");
            NoteFailure(DownloadOutcome::Unwritable);
            return 0;
        }
        dwOffset = temp.GetLength();
    }
    CString headers = RequestHeaders(dwOffset);

    CString url = m_strUrl;
    std::unique_ptr<CHttpFile> pFile;
    DWORD dwFlags = kTransferFlags | (m_bReloadPassive ? INTERNET_FLAG_RELOAD : 0);
    auto openTransfer = [&]() {
        pFile.reset();
        std::unique_ptr<CInternetFile> pOpened(session.OpenURL(url, 1, dwFlags, headers, kZeroTerminated));
        pFile.reset(dynamic_cast<CHttpFile*>(pOpened.get()));
        if (pFile) pOpened.release();
        m_dwStatusCode = 0;
        if (pFile) pFile->QueryInfoStatusCode(m_dwStatusCode);
    };
    try {
        for (int i = 0; i < 5 && OpenRedirectHttpURL(url, session); ++i) {
        }
        openTransfer();
        // A range that starts at or past the end is answered 416. At the end, the file is complete; past it,
        // the temporary file belongs to something else and the transfer starts afresh.
        if (pFile && m_dwStatusCode == kStatusRangeNotSatisfiable && dwOffset > 0) {
            DWORD dwTotal = QueryContentLength(m_strUrl);
            if (dwTotal > 0 && dwTotal == dwOffset) {
                NoteTransferStart(dwOffset);
                pFile.reset();
                ::OutputDebugStringA("downloadfile gethttpfile exit\n");
                return 1;
            }
            if (dwTotal > 0 && dwOffset > dwTotal) {
                CFile temp(m_strTempPath, CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary);
                temp.SetLength(0);
                dwOffset = 0;
                headers = RequestHeaders(0);
                openTransfer();
            }
        }
    } catch (CInternetException* e) {
        LogException("Download File Exception", e);
        return Fail(e, DownloadOutcome::Failed);
    } catch (CFileException* e) {
        return Fail(e, DownloadOutcome::Unwritable);
    }
    const DWORD dwStart = m_clock();

    int result = 0;
    if (!pFile) {
        ::OutputDebugStringA("downloadfile gethttpfile exit\n");
        return 0;
    }
    if (m_dwStatusCode >= 300) NoteFailure(OutcomeOfStatus(m_dwStatusCode));
    if (m_dwStatusCode < 300) {
        try {
            CFile temp;
            if (!temp.Open(m_strTempPath, CFile::modeNoTruncate | CFile::modeReadWrite | CFile::shareDenyNone |
                                              CFile::typeBinary)) {
                NoteFailure(DownloadOutcome::Unwritable);
                return 0;
            }
            temp.SeekToEnd();
            DWORD dwTotal = QueryContentLength(m_strUrl);
            // The size request may tell nothing (no Content-Length, a chunked answer, a failure): the transfer's
            // own answer then may.
            if (dwTotal == 0) dwTotal = TotalOfAnswer(*pFile, m_dwStatusCode);
            m_dwTotalSize = dwTotal;
            if (dwTotal > 0 && dwTotal == dwOffset) {
                NoteTransferStart(dwOffset);
                return 1;
            }
            // A 200 to a ranged request carries the whole file: it replaces what the temporary file held.
            if (m_dwStatusCode == 200 && dwOffset > 0) {
                temp.SeekToBegin();
                dwOffset = 0;
            }
            NoteTransferStart(dwOffset);
            if (dwTotal > 0) PostCode(DLP_TOTAL, dwTotal);
            if (dwOffset > 0) PostCode(DLP_RESUMED, dwOffset);
            CString line;
            line.Format("Download File Length=%u\n", static_cast<unsigned>(m_dwTotalSize));
            ::OutputDebugStringA(line);
            pFile->SetReadBufferSize(kReadAhead);
            CHttpFile& request = *pFile;
            RunChunkLoop([&request](void* p, UINT n) { return request.Read(p, n); }, temp, dwOffset, dwStart);
            if (dwTotal == 0) CompleteUntoldLength(temp);
            result = 1;
        } catch (CFileException* e) {
            LogException("", e);
            return Fail(e, DownloadOutcome::Unwritable);
        }
    }
    pFile->QueryInfo(HTTP_QUERY_RAW_HEADERS, m_strRawHeaders);
    pFile.reset();
    ::OutputDebugStringA("downloadfile gethttpfile exit\n");
    return result;
}

int CDownloadFile::OpenRedirectHttpURL(CString& url, CInternetSession& session)
{
    DWORD dwService = 0;
    CString server, object;
    INTERNET_PORT nPort = 0;
    if (!AfxParseURL(url, dwService, server, object, nPort) ||
        (dwService != AFX_INET_SERVICE_HTTP && dwService != AFX_INET_SERVICE_HTTPS)) {
        ::OutputDebugStringA("OpenRedirectHttpURL Not A Http Quest\n");
        return 0;
    }
    // The secure flag alone makes the request TLS; WinInet then checks the server's certificate in full, and
    // any fault in it fails the sending with an exception.
    const DWORD dwFlags = kProbeFlags | (dwService == AFX_INET_SERVICE_HTTPS ? INTERNET_FLAG_SECURE : 0);
    std::unique_ptr<CHttpConnection> pConnection(session.GetHttpConnection(server, nPort, nullptr, nullptr));
    std::unique_ptr<CHttpFile> pRequest(pConnection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object, nullptr, 1,
                                                                 nullptr, nullptr, dwFlags));
    pRequest->AddRequestHeaders(kFirstByteHeaders, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
    pRequest->SendRequest();
    DWORD dwStatus = 0;
    pRequest->QueryInfoStatusCode(dwStatus);
    if (dwStatus == HTTP_STATUS_DENIED) {
        DWORD dwDialog = pRequest->ErrorDlg(nullptr, ERROR_INTERNET_INCORRECT_PASSWORD,
                                            FLAGS_ERROR_UI_FLAGS_GENERATE_DATA | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS);
        if (dwDialog != ERROR_INTERNET_FORCE_RETRY) return 0;
        pRequest->SendRequest();
        pRequest->QueryInfoStatusCode(dwStatus);
    }
    if (dwStatus != HTTP_STATUS_MOVED && dwStatus != HTTP_STATUS_REDIRECT && dwStatus != HTTP_STATUS_REDIRECT_METHOD)
        return 0;

    CString rawHeaders;
    pRequest->QueryInfo(HTTP_QUERY_RAW_HEADERS_CRLF, rawHeaders);
    int at = rawHeaders.Find("Location: ");
    if (at < 0) return 0;
    CString location = rawHeaders.Mid(at + 10);
    int end = location.Find("\r\n");
    if (end > 0) location = location.Left(end);
    CString target;
    if (!ResolveLocation(url, location, target)) return 0;
    url = target;
    ::OutputDebugStringA("OpenRedirectHttpURL Success\n");
    return 1;
}

DWORD CDownloadFile::QueryContentLength(CString url)
{
    DWORD dwLength = 0;
    try {
        CInternetSession session(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        // Reloaded, like the transfer: a cached length may be another version's.
        std::unique_ptr<CInternetFile> pFile(
            session.OpenURL(url, 1, kTransferFlags | INTERNET_FLAG_RELOAD, kFirstByteHeaders, kZeroTerminated));
        CHttpFile* pHttp = dynamic_cast<CHttpFile*>(pFile.get());
        DWORD dwStatus = 0;
        // The first byte with the whole length in Content-Range, or from a server that ignores ranges the whole
        // file with its Content-Length.
        if (pHttp && pHttp->QueryInfoStatusCode(dwStatus)) dwLength = TotalOfAnswer(*pHttp, dwStatus);
        pFile.reset();
        session.Close();
        m_dwTotalSize = dwLength;
    } catch (CException* e) {
        e->Delete();
        dwLength = 0;
    } catch (...) {
        dwLength = 0;
    }
    return dwLength;
}
