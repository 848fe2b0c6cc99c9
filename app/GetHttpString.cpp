// GetHttpString: the setup-info request: cache bypassed, the server's certificate checked in full, bounded in
// time and size.
#include "GetHttpString.h"

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "HttpStringExchange.h"
#include "ServiceUrl.h"

namespace {
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE |
                            INTERNET_FLAG_KEEP_CONNECTION;
}  // namespace

CString GetHttpString(CString strUrl)
{
    return GetHttpString(strUrl, HttpStringLimits());
}

CString GetHttpString(CString strUrl, const HttpStringLimits& limits)
{
    CString result;
    ServiceUrl url;
    if (!ServiceUrl::Split(strUrl, &url)) return result;
    const DWORD flags = url.secure ? (kRequestFlags | INTERNET_FLAG_SECURE) : kRequestFlags;

    auto exchange = std::make_shared<HttpStringExchange>(url, flags, limits);
    if (!HttpStringExchange::Start(exchange)) return result;
    if (!exchange->Wait(limits.dwWholeMs, result)) {
        CString line;
        line.Format("Quillfen: no whole answer from the setup-info service within %u ms; given up\n",
                    static_cast<unsigned>(limits.dwWholeMs));
        ::OutputDebugStringA(line);
    }
    return result;
}
