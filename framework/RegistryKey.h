// RegistryKey: scoped registry keys closed with RegCloseKey.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

struct RegistryKeyTraits {
    typedef HKEY Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { ::RegCloseKey(h); }
};
typedef ScopedHandle<RegistryKeyTraits> RegistryKey;
