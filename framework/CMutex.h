// CMutex: a kernel mutex, unnamed unless a name is given.
#pragma once

#include <windows.h>

#include "CObject.h"
#include "KernelHandle.h"

class CMutex : public CObject {
public:
    explicit CMutex(BOOL bInitiallyOwn = FALSE, LPCSTR lpszName = nullptr)
        : m_handle(::CreateMutexA(nullptr, bInitiallyOwn, lpszName))
    {
    }
    HANDLE GetHandle() const { return m_handle.Get(); }
    BOOL Lock(DWORD dwTimeout = INFINITE) { return ::WaitForSingleObject(m_handle.Get(), dwTimeout) == WAIT_OBJECT_0; }
    BOOL Unlock() { return ::ReleaseMutex(m_handle.Get()); }

private:
    KernelHandle m_handle;
};
