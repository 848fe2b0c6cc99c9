// ManualProxy: the proxy and bypass lists from the settings' texts.
#include "ManualProxy.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

// The entries of a list apart by any of the separators, trimmed, empty ones left out.
std::vector<CString> Entries(const CString& list, const char* pszSeparators)
{
    std::vector<CString> entries;
    int start = 0;
    while (start <= list.GetLength()) {
        int end = list.FindOneOf(pszSeparators, start);
        if (end < 0) end = list.GetLength();
        CString entry = list.Mid(start, end - start);
        entry.Trim();
        if (!entry.IsEmpty()) entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

// Scheme names compare without regard to case (ASCII).
bool IsScheme(const CString& name, const char* pszScheme)
{
    if (static_cast<size_t>(name.GetLength()) != std::strlen(pszScheme)) return false;
    for (int i = 0; i < name.GetLength(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != pszScheme[i]) return false;
    return true;
}

// The value for scheme: its own "scheme=value" entry, else the entry without a scheme, else empty.
CString ProxyFor(const std::vector<CString>& entries, const char* pszScheme)
{
    CString everyScheme;
    for (const CString& entry : entries) {
        const int equals = entry.Find('=');
        if (equals < 0) {
            if (everyScheme.IsEmpty()) everyScheme = entry;
        } else if (IsScheme(entry.Left(equals).Trim(), pszScheme)) {
            CString value = entry.Mid(equals + 1);
            return value.Trim();
        }
    }
    return everyScheme;
}

}  // namespace

ManualProxy ManualProxy::FromSettings(const CString& strServer, const CString& strOverride)
{
    ManualProxy proxy;
    const std::vector<CString> servers = Entries(strServer, ";");
    for (const char* pszScheme : {"http", "https"}) {
        const CString value = ProxyFor(servers, pszScheme);
        if (value.IsEmpty()) continue;
        if (!proxy.m_strProxy.IsEmpty()) proxy.m_strProxy += ' ';
        proxy.m_strProxy += CString(pszScheme) + "=" + value;
    }
    for (const CString& entry : Entries(strOverride, "; \t\r\n")) {
        if (!proxy.m_strBypass.IsEmpty()) proxy.m_strBypass += ';';
        proxy.m_strBypass += entry;
    }
    return proxy;
}
