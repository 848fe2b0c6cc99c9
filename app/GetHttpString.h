// GetHttpString: one GET of a small text resource over HTTP or HTTPS, the body on status 200 only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CString.h"

// How far one request may go: time-outs of each step, the whole exchange, and the body's size.
struct HttpStringLimits {
    uint32_t dwConnectMs = 20000;
    uint32_t dwSendMs = 20000;
    // Silence at any one read, the wait for the headers included.
    uint32_t dwReceiveMs = 20000;
    // From sending the request to giving up, whatever the server does.
    uint32_t dwWholeMs = 45000;
    // A longer body is not an answer.
    size_t nMaxBody = 64 * 1024;
};

// The response body when the status is 200 and the body within the limits, else the empty text; never
// throws, never shows anything.
CString GetHttpString(CString strUrl);
CString GetHttpString(CString strUrl, const HttpStringLimits& limits);
