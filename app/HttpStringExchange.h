// HttpStringExchange: the setup-info request on a thread of its own, so that its caller can give up in time.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "CHttpFile.h"
#include "CString.h"
#include "GetHttpString.h"
#include "KernelHandle.h"
#include "ServiceUrl.h"

// A blocked WinInet call cannot always be ended: Wine applies no connect time-out, nor ends a call whose
// handle another thread closes, and a server that trickles its headers holds HttpSendRequest anywhere. The
// exchange therefore runs apart; a caller that stops waiting leaves it to end by itself, at its next read.
class HttpStringExchange {
public:
    HttpStringExchange(const ServiceUrl& url, DWORD dwFlags, const HttpStringLimits& limits);
    HttpStringExchange(const HttpStringExchange&) = delete;
    HttpStringExchange& operator=(const HttpStringExchange&) = delete;
    ~HttpStringExchange() = default;

    // Runs the exchange on a new thread, which shares the object; false when no thread can be started.
    static bool Start(const std::shared_ptr<HttpStringExchange>& exchange);
    // True with the result once the exchange has ended within dwMs; false when the time has passed, and the
    // exchange is then told to stop.
    bool Wait(DWORD dwMs, CString& result);

private:
    static UINT __cdecl ThreadProc(LPVOID pParam);
    // Sends the request and hands the result over; the handles close only then, since closing a request may
    // read what is left of its body.
    void Run();
    // Appends the body to result as it arrives, until its end, a stop, or a body too long to be an answer,
    // which empties it.
    void ReadBody(CHttpFile& request, CString& result);

    const ServiceUrl m_url;
    const DWORD m_dwFlags;
    const HttpStringLimits m_limits;
    KernelHandle m_hDone;
    std::atomic<bool> m_bStop{false};
    CString m_result;
};
