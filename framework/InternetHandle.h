// InternetHandle: scoped WinInet handles (sessions, connections, requests) closed with InternetCloseHandle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "ScopedHandle.h"

struct InternetHandleTraits {
    typedef HINTERNET Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { ::InternetCloseHandle(h); }
};
typedef ScopedHandle<InternetHandleTraits> InternetHandle;
