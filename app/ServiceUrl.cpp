// ServiceUrl: scheme, host, port and object of a request URL, by the installer's own splitting rules.
#include "ServiceUrl.h"

#include <cstdlib>

bool ServiceUrl::Split(const CString& url, ServiceUrl* out)
{
    ServiceUrl parts;
    CString rest;
    if (url.Find("https://") == 0) {
        parts.secure = true;
        parts.port = 443;
        rest = url.Mid(8);
    } else if (url.Find("http://") == 0) {
        rest = url.Mid(7);
    } else {
        return false;
    }

    // A URL without a path names only the host; the object is then empty.
    int slash = rest.Find('/');
    CString hostPart = slash < 0 ? rest : rest.Left(slash);
    parts.object = slash < 0 ? CString() : rest.Mid(slash + 1);

    int colon = hostPart.Find(':');
    if (colon >= 1) {
        parts.host = hostPart.Left(colon);
    } else {
        parts.host = hostPart;
        parts.host.TrimRight(":/");
    }
    CString portText = hostPart;
    if (!parts.host.IsEmpty()) portText.Replace(parts.host, "");
    portText.TrimLeft(":");
    int port = std::atoi(portText);
    if (port > 0 && port <= 65535) parts.port = static_cast<unsigned short>(port);

    *out = parts;
    return true;
}
