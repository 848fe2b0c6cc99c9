// CWinThread and AfxBeginThread: a worker thread running one procedure with one parameter.
#pragma once

#include <windows.h>

#include "KernelHandle.h"

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam) {}
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    ~CWinThread() = default;

    KernelHandle m_hThread;
    DWORD m_nThreadID = 0;
    // When set, the object deletes itself as the thread ends; whoever keeps the pointer must clear it first.
    BOOL m_bAutoDelete = TRUE;

    BOOL CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs);
    DWORD ResumeThread() { return ::ResumeThread(m_hThread.Get()); }

private:
    static unsigned __stdcall ThreadEntry(void* pThis);
    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

// Starts pfnThreadProc(pParam) on a new thread; null when the thread cannot be created.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
