// CGdiObject: the owner of one GDI object (bitmap, font, region), deleted when its holder goes.
#pragma once

#include <windows.h>

#include "CObject.h"

class CGdiObject : public CObject {
public:
    CGdiObject() = default;
    ~CGdiObject() override { DeleteObject(); }

    HGDIOBJ m_hObject = nullptr;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    // Takes ownership of h; refused for a null handle or while another object is held.
    BOOL Attach(HGDIOBJ h);
    // Gives up ownership without deleting; the object is empty afterwards.
    HGDIOBJ Detach();
    // Deletes the held object; it must not be selected into a device context at that moment.
    BOOL DeleteObject();
    int GetObject(int nCount, void* pObject) const { return ::GetObjectA(m_hObject, nCount, pObject); }
};
