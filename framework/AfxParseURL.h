// AfxParseURL and AfxParseURLEx: split a URL into service type, server, object, port and log-in; portable.
#pragma once

#include "CString.h"

// Service types; unsigned long is DWORD on Windows.
const unsigned long AFX_INET_SERVICE_FTP = 1;
const unsigned long AFX_INET_SERVICE_GOPHER = 2;
const unsigned long AFX_INET_SERVICE_HTTP = 3;
const unsigned long AFX_INET_SERVICE_UNK = 0x1000;
const unsigned long AFX_INET_SERVICE_FILE = 0x1001;
const unsigned long AFX_INET_SERVICE_HTTPS = 0x100B;

// scheme://[user[:password]@]host[:port][/path][?query][#fragment] for http, https, ftp and gopher; file:
// URLs have an object only. The object is the path with its query ("/" when there is none); a fragment is
// dropped. Returns non-zero on success; on failure the service type is AFX_INET_SERVICE_UNK unless the scheme
// was known, and the other outputs are empty.
int AfxParseURL(const char* pszURL, unsigned long& dwServiceType, CString& strServer, CString& strObject,
                unsigned short& nPort);
// The same with the user name and password; dwFlags (ICU_* values) is accepted for compatibility, and the
// parts are returned as written, without decoding.
int AfxParseURLEx(const char* pszURL, unsigned long& dwServiceType, CString& strServer, CString& strObject,
                  unsigned short& nPort, CString& strUsername, CString& strPassword, unsigned long dwFlags = 0);
