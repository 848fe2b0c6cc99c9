// ResolveLocation: the URL a redirect's Location value names, resolved against the request URL; portable.
#pragma once

#include "CString.h"

// RFC 3986 section 5.2: a value with a scheme is taken as it is, "//host/..." keeps the base's scheme, "/path"
// replaces the base's path, "?query" its query, and a relative path is joined to the base's directory with
// "." and ".." segments removed. The base must be an absolute URL with an authority; false otherwise.
bool ResolveLocation(const CString& base, const CString& location, CString& result);
