// KernelHandle: scoped kernel object handles (events, mappings, threads, files) closed with CloseHandle.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

struct KernelHandleTraits {
    typedef HANDLE Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { ::CloseHandle(h); }
};
typedef ScopedHandle<KernelHandleTraits> KernelHandle;
