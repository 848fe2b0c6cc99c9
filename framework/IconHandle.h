// IconHandle: a scoped icon loaded at a size of its own (LoadImage without LR_SHARED), destroyed with DestroyIcon.
#pragma once

#include <windows.h>

#include "ScopedHandle.h"

struct IconHandleTraits {
    typedef HICON Handle;
    static Handle Invalid() { return nullptr; }
    static void Release(Handle h) { ::DestroyIcon(h); }
};
typedef ScopedHandle<IconHandleTraits> IconHandle;

// Icon nID of the program at cx x cy pixels: the icon's own image of that size, or the nearest scaled.
inline HICON LoadProgramIcon(UINT nID, int cx, int cy)
{
    return static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nID), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
}
