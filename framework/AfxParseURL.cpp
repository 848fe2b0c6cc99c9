// AfxParseURL: the generic URL syntax of RFC 3986 for the schemes the internet classes serve.
#include "AfxParseURL.h"

#include <cctype>
#include <cstdlib>
#include <string>

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

bool EqualsNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

// RFC 3986 section 3.1: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) followed by ":". A single letter is a drive.
size_t SchemeLength(const std::string& url)
{
    size_t i = 0;
    while (i < url.size() && (std::isalnum(static_cast<unsigned char>(url[i])) || url[i] == '+' || url[i] == '-' ||
                              url[i] == '.'))
        ++i;
    if (i < 2 || i >= url.size() || url[i] != ':' || !std::isalpha(static_cast<unsigned char>(url[0]))) return 0;
    return i;
}

bool ParsePort(const std::string& text, unsigned short& nPort)
{
    if (text.empty() || text.size() > 5) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) return false;
    nPort = static_cast<unsigned short>(value);
    return true;
}

struct Parts {
    unsigned long service = AFX_INET_SERVICE_UNK;
    std::string server, object, user, password;
    unsigned short port = 0;
};

bool Split(const char* pszURL, Parts& out)
{
    if (!pszURL) return false;
    std::string url(pszURL);
    size_t schemeLen = SchemeLength(url);
    if (!schemeLen) return false;
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes)
        if (EqualsNoCase(url.substr(0, schemeLen), s.name)) scheme = &s;
    if (!scheme) return false;
    out.service = scheme->service;

    std::string rest = url.substr(schemeLen + 1);
    size_t hash = rest.find('#');
    if (hash != std::string::npos) rest.erase(hash);
    if (scheme->service == AFX_INET_SERVICE_FILE) {
        out.object = rest;
        return !rest.empty();
    }
    if (rest.compare(0, 2, "//") != 0) return false;
    rest.erase(0, 2);

    size_t authorityEnd = rest.find_first_of("/?");
    std::string authority = rest.substr(0, authorityEnd);
    out.object = authorityEnd == std::string::npos ? "/" : rest.substr(authorityEnd);
    if (out.object[0] == '?') out.object.insert(0, "/");

    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string userinfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        size_t colon = userinfo.find(':');
        out.user = userinfo.substr(0, colon);
        if (colon != std::string::npos) out.password = userinfo.substr(colon + 1);
    }

    // An IPv6 literal keeps its colons inside brackets.
    size_t hostEnd = authority[0] == '[' ? authority.find(']') : authority.find(':');
    if (authority[0] == '[') {
        if (hostEnd == std::string::npos) return false;
        ++hostEnd;
    }
    out.server = authority.substr(0, hostEnd);
    if (out.server.empty()) return false;
    out.port = scheme->defaultPort;
    if (hostEnd < authority.size()) {
        if (authority[hostEnd] != ':') return false;
        std::string portText = authority.substr(hostEnd + 1);
        if (!portText.empty() && !ParsePort(portText, out.port)) return false;
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
