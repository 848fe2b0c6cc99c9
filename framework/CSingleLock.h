// CSingleLock: holds a CMutex for the life of a scope, locked at construction when asked.
#pragma once

#include "CMutex.h"

class CSingleLock {
public:
    explicit CSingleLock(CMutex* pObject, BOOL bInitialLock = FALSE) : m_pObject(pObject)
    {
        if (bInitialLock) Lock();
    }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;
    ~CSingleLock() { Unlock(); }

    BOOL Lock(DWORD dwTimeout = INFINITE)
    {
        if (!m_bAcquired) m_bAcquired = m_pObject->Lock(dwTimeout);
        return m_bAcquired;
    }
    BOOL Unlock()
    {
        if (m_bAcquired) m_bAcquired = !m_pObject->Unlock();
        return !m_bAcquired;
    }

private:
    CMutex* m_pObject;
    BOOL m_bAcquired = FALSE;
};
