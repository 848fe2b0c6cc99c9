// ManualProxy: the manual proxy of the user's Internet settings, as the lists InternetOpen takes; portable.
#pragma once

#include "CString.h"

class ManualProxy {
public:
    // From the ProxyServer and ProxyOverride values of the user's Internet settings, as Windows documents them:
    // "host:port" for every scheme, or "scheme=host:port" entries separated by ";"; bypass entries separated
    // by ";". Only the web's schemes are kept, each with its own entry or else the one for every scheme, so
    // that FTP goes direct.
    static ManualProxy FromSettings(const CString& strServer, const CString& strOverride);

    // There is a proxy for http or https.
    bool IsSet() const { return !m_strProxy.IsEmpty(); }

    // "http=host:port https=host:port": the list of a named-proxy session, entries apart by spaces.
    CString m_strProxy;
    // The bypass entries joined by ";", trimmed; empty when there are none.
    CString m_strBypass;
};
