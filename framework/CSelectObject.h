// CSelectObject: selects a GDI object into a context for one scope and puts the previous one back.
#pragma once

#include "CDC.h"
#include "CGdiObject.h"

// Declare the selected object before this holder, so the object is released only after it is deselected.
class CSelectObject {
public:
    CSelectObject(CDC* pDC, CGdiObject* pObject) : CSelectObject(pDC, pObject->m_hObject) {}
    CSelectObject(CDC* pDC, HGDIOBJ hObject) : m_hDC(pDC->m_hDC), m_hOld(::SelectObject(m_hDC, hObject)) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject()
    {
        if (m_hOld && m_hOld != HGDI_ERROR) ::SelectObject(m_hDC, m_hOld);
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
