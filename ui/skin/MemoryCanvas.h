// MemoryCanvas: a memory device context with a bitmap of its own selected into it, made and released together.
#pragma once

#include "CBitmap.h"
#include "CDC.h"

class MemoryCanvas {
public:
    MemoryCanvas() = default;
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    ~MemoryCanvas() { Reset(); }

    // A canvas of cx x cy pixels compatible with pDC, in place of any earlier one; FALSE when it cannot be made.
    BOOL Create(CDC* pDC, int cx, int cy);
    // The bitmap is selected out before the context and then the bitmap are deleted, as GDI requires.
    void Reset();
    CDC* GetDC() { return &m_dc; }

private:
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_hOld = nullptr;
};
