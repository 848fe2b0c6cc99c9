// ResolveLocation: reference resolution of RFC 3986 section 5.2 for the absolute URLs of HTTP redirects.
#include "RedirectLocation.h"

#include <cctype>
#include <string>

namespace {

size_t SchemeEnd(const std::string& s)
{
    if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return std::string::npos;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == ':') return i;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') break;
    }
    return std::string::npos;
}

// RFC 3986 section 5.2.4.
std::string RemoveDotSegments(std::string in)
{
    std::string out;
    while (!in.empty()) {
        if (in.compare(0, 3, "../") == 0) {
            in.erase(0, 3);
        } else if (in.compare(0, 2, "./") == 0) {
            in.erase(0, 2);
        } else if (in.compare(0, 3, "/./") == 0) {
            in.erase(0, 2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.compare(0, 4, "/../") == 0 || in == "/..") {
            in = in.size() == 3 ? "/" : in.substr(3);
            size_t slash = out.rfind('/');
            out.erase(slash == std::string::npos ? 0 : slash);
        } else if (in == "." || in == "..") {
            in.clear();
        } else {
            size_t next = in.find('/', 1);
            out += in.substr(0, next);
            in.erase(0, next == std::string::npos ? in.size() : next);
        }
    }
    return out;
}

}  // namespace

bool ResolveLocation(const CString& base, const CString& location, CString& result)
{
    const std::string& b = base.str();
    std::string ref = location.str();
    if (SchemeEnd(ref) != std::string::npos) {
        result = location;
        return true;
    }
    size_t schemeEnd = SchemeEnd(b);
    if (schemeEnd == std::string::npos || b.compare(schemeEnd + 1, 2, "//") != 0) return false;
    std::string scheme = b.substr(0, schemeEnd + 1);
    size_t pathStart = b.find_first_of("/?#", schemeEnd + 3);
    std::string authority = b.substr(schemeEnd + 3, pathStart == std::string::npos ? std::string::npos
                                                                                    : pathStart - schemeEnd - 3);
    std::string rest = pathStart == std::string::npos ? std::string() : b.substr(pathStart);
    size_t hash = rest.find('#');
    if (hash != std::string::npos) rest.erase(hash);
    size_t query = rest.find('?');
    std::string basePath = rest.substr(0, query);
    std::string baseQuery = query == std::string::npos ? std::string() : rest.substr(query);

    std::string target;
    if (ref.compare(0, 2, "//") == 0) {
        target = scheme + ref;
    } else if (ref.empty() || ref[0] == '#') {
        target = scheme + "//" + authority + basePath + baseQuery;
    } else if (ref[0] == '?') {
        target = scheme + "//" + authority + basePath + ref;
    } else {
        size_t refQuery = ref.find_first_of("?#");
        std::string refPath = ref.substr(0, refQuery);
        std::string refTail = refQuery == std::string::npos ? std::string() : ref.substr(refQuery);
        std::string merged;
        if (refPath[0] == '/') {
            merged = refPath;
        } else {
            size_t dir = basePath.rfind('/');
            merged = (dir == std::string::npos ? std::string("/") : basePath.substr(0, dir + 1)) + refPath;
        }
        target = scheme + "//" + authority + RemoveDotSegments(merged) + refTail;
    }
    result = target;
    return true;
}
