// ServiceUrl: splits an http:// or https:// URL into what the setup-info request connects to; portable.
#pragma once

#include "CString.h"

struct ServiceUrl {
    bool secure = false;       // "https://": secure flag and port 443
    CString host;              // host name
    unsigned short port = 80;  // 80, 443, or the number after the host's colon
    CString object;            // everything after the first "/" behind the host, query included

    // False for any other scheme (nothing is to be opened then).
    static bool Split(const CString& url, ServiceUrl* out);
};
