// CDC: creation and release of a memory context.
#include "CDC.h"

#include <utility>

CDC::~CDC()
{
    DeleteDC();
}

BOOL CDC::DeleteDC()
{
    return m_hDC ? ::DeleteDC(std::exchange(m_hDC, nullptr)) : FALSE;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    if (m_hDC) return FALSE;
    m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    return m_hDC != nullptr;
}

