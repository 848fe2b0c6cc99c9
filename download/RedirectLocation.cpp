// ResolveLocation: reference resolution of RFC 3986 section 5.2 for the absolute URLs of HTTP redirects.
#include "RedirectLocation.h"

#include <cctype>
#include <cstring>

namespace {

// The offset of the ":" that ends s's scheme, or -1 when s does not begin with one.
int SchemeEnd(const CString& s)
{
    if (s.IsEmpty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return -1;
    for (int i = 1; i < s.GetLength(); ++i) {
        char c = s[i];
        if (c == ':') return i;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') break;
    }
    return -1;
}

bool StartsWith(const CString& s, const char* pszPrefix)
{
    return std::strncmp(s, pszPrefix, std::strlen(pszPrefix)) == 0;
}

// The part of s from nFrom up to the end, or up to (not including) nTo when that is not -1.
CString Between(const CString& s, int nFrom, int nTo)
{
    return nTo < 0 ? s.Mid(nFrom) : s.Mid(nFrom, nTo - nFrom);
}

// RFC 3986 section 5.2.4.
CString RemoveDotSegments(CString in)
{
    CString out;
    while (!in.IsEmpty()) {
        if (StartsWith(in, "../")) {
            in = in.Mid(3);
        } else if (StartsWith(in, "./")) {
            in = in.Mid(2);
        } else if (StartsWith(in, "/./")) {
            in = in.Mid(2);
        } else if (in == "/.") {
            in = "/";
        } else if (StartsWith(in, "/../") || in == "/..") {
            in = in.GetLength() == 3 ? CString("/") : in.Mid(3);
            const int slash = out.ReverseFind('/');
            out = out.Left(slash < 0 ? 0 : slash);
        } else if (in == "." || in == "..") {
            in.Empty();
        } else {
            const int next = in.Find('/', 1);
            out += Between(in, 0, next);
            in = next < 0 ? CString() : in.Mid(next);
        }
    }
    return out;
}

}  // namespace

bool ResolveLocation(const CString& base, const CString& location, CString& result)
{
    const CString& ref = location;
    if (SchemeEnd(ref) >= 0) {
        result = location;
        return true;
    }
    const int schemeEnd = SchemeEnd(base);
    if (schemeEnd < 0 || base.Mid(schemeEnd + 1, 2) != "//") return false;
    const CString scheme = base.Left(schemeEnd + 1);
    const int pathStart = base.FindOneOf("/?#", schemeEnd + 3);
    const CString authority = Between(base, schemeEnd + 3, pathStart);
    CString rest = pathStart < 0 ? CString() : base.Mid(pathStart);
    const int hash = rest.Find('#');
    if (hash >= 0) rest = rest.Left(hash);
    const int query = rest.Find('?');
    const CString basePath = Between(rest, 0, query);
    const CString baseQuery = query < 0 ? CString() : rest.Mid(query);

    CString target;
    if (StartsWith(ref, "//")) {
        target = scheme + ref;
    } else if (ref.IsEmpty() || ref[0] == '#') {
        target = scheme + "//" + authority + basePath + baseQuery;
    } else if (ref[0] == '?') {
        target = scheme + "//" + authority + basePath + ref;
    } else {
        const int refQuery = ref.FindOneOf("?#");
        const CString refPath = Between(ref, 0, refQuery);
        const CString refTail = refQuery < 0 ? CString() : ref.Mid(refQuery);
        CString merged;
        if (refPath[0] == '/') {
            merged = refPath;
        } else {
            const int dir = basePath.ReverseFind('/');
            merged = (dir < 0 ? CString("/") : basePath.Left(dir + 1)) + refPath;
        }
        target = scheme + "//" + authority + RemoveDotSegments(merged) + refTail;
    }
    result = target;
    return true;
}
