// MappedView: a scoped view of a file mapping, unmapped with UnmapViewOfFile.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

struct MappedViewTraits {
    typedef void* Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { ::UnmapViewOfFile(h); }
};
typedef ScopedHandle<MappedViewTraits> MappedView;
