// AfxParseURL: the generic URL syntax of RFC 3986 for the schemes the internet classes serve.
#include "AfxParseURL.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Scheme {
    const char* name;
    unsigned long service;
    unsigned short defaultPort;
};

const Scheme kSchemes[] = {
    {"http", AFX_INET_SERVICE_HTTP, 80},   {"https", AFX_INET_SERVICE_HTTPS, 443},
    {"ftp", AFX_INET_SERVICE_FTP, 21},     {"gopher", AFX_INET_SERVICE_GOPHER, 70},
    {"file", AFX_INET_SERVICE_FILE, 0},
};

bool EqualsNoCase(const CString& a, const char* b)
{
    int i = 0;
    for (; i < a.GetLength() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.GetLength() && !b[i];
}

// RFC 3986 section 3.1: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) followed by ":". A single letter is a drive.
int SchemeLength(const CString& url)
{
    int i = 0;
    while (i < url.GetLength() && (std::isalnum(static_cast<unsigned char>(url[i])) || url[i] == '+' ||
                                   url[i] == '-' || url[i] == '.'))
        ++i;
    if (i < 2 || i >= url.GetLength() || url[i] != ':' || !std::isalpha(static_cast<unsigned char>(url[0]))) return 0;
    return i;
}

bool ParsePort(const CString& text, unsigned short& nPort)
{
    if (text.IsEmpty() || text.GetLength() > 5) return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    long value = std::strtol(text, nullptr, 10);
    if (value < 1 || value > 65535) return false;
    nPort = static_cast<unsigned short>(value);
    return true;
}

struct Parts {
    unsigned long service = AFX_INET_SERVICE_UNK;
    CString server, object, user, password;
    unsigned short port = 0;
};

bool Split(const char* pszURL, Parts& out)
{
    if (!pszURL) return false;
    const CString url(pszURL);
    const int schemeLen = SchemeLength(url);
    if (!schemeLen) return false;
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes)
        if (EqualsNoCase(url.Left(schemeLen), s.name)) scheme = &s;
    if (!scheme) return false;
    out.service = scheme->service;

    CString rest = url.Mid(schemeLen + 1);
    const int hash = rest.Find('#');
    if (hash >= 0) rest = rest.Left(hash);
    if (scheme->service == AFX_INET_SERVICE_FILE) {
        out.object = rest;
        return !rest.IsEmpty();
    }
    if (rest.Left(2) != "//") return false;
    rest = rest.Mid(2);

    const int authorityEnd = rest.FindOneOf("/?");
    CString authority = authorityEnd < 0 ? rest : rest.Left(authorityEnd);
    out.object = authorityEnd < 0 ? CString("/") : rest.Mid(authorityEnd);
    if (out.object[0] == '?') out.object = "/" + out.object;

    const int at = authority.ReverseFind('@');
    if (at >= 0) {
        const CString userinfo = authority.Left(at);
        authority = authority.Mid(at + 1);
        const int colon = userinfo.Find(':');
        out.user = colon < 0 ? userinfo : userinfo.Left(colon);
        if (colon >= 0) out.password = userinfo.Mid(colon + 1);
    }

    // An IPv6 literal keeps its colons inside brackets.
    int hostEnd = authority.Find(authority[0] == '[' ? ']' : ':');
    if (authority[0] == '[') {
        if (hostEnd < 0) return false;
        ++hostEnd;
    } else if (hostEnd < 0) {
        hostEnd = authority.GetLength();
    }
    out.server = authority.Left(hostEnd);
    if (out.server.IsEmpty()) return false;
    out.port = scheme->defaultPort;
    if (hostEnd < authority.GetLength()) {
        if (authority[hostEnd] != ':') return false;
        const CString portText = authority.Mid(hostEnd + 1);
        if (!portText.IsEmpty() && !ParsePort(portText, out.port)) return false;
    }
    return true;
}

}  // namespace

int AfxParseURLEx(const char* pszURL, unsigned long& dwServiceType, CString& strServer, CString& strObject,
                  unsigned short& nPort, CString& strUsername, CString& strPassword, unsigned long)
{
    Parts parts;
    bool ok = Split(pszURL, parts);
    dwServiceType = parts.service;
    if (!ok) {
        Parts empty;
        empty.service = parts.service;
        parts = empty;
    }
    strServer = parts.server;
    strObject = parts.object;
    nPort = parts.port;
    strUsername = parts.user;
    strPassword = parts.password;
    return ok ? 1 : 0;
}

int AfxParseURL(const char* pszURL, unsigned long& dwServiceType, CString& strServer, CString& strObject,
                unsigned short& nPort)
{
    CString user, password;
    return AfxParseURLEx(pszURL, dwServiceType, strServer, strObject, nPort, user, password);
}
