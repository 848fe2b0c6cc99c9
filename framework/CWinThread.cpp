// CWinThread: threads started through the C runtime so that its per-thread state is set up and freed.
#include "CWinThread.h"

#include <process.h>

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    unsigned id = 0;
    // Start suspended so that the handle and id are stored before the procedure can finish.
    uintptr_t h = _beginthreadex(lpSecurityAttrs, nStackSize, &CWinThread::ThreadEntry, this,
                                 CREATE_SUSPENDED, &id);
    if (!h) return FALSE;
    m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    m_nThreadID = id;
    if (!(dwCreateFlags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread.Get());
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* pThis)
{
    CWinThread* pThread = static_cast<CWinThread*>(pThis);
    UINT result = 0;
    try {
        result = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
    } catch (...) {
        ::OutputDebugStringA("unhandled exception in a worker thread\n");
        result = static_cast<UINT>(-1);
    }
    if (pThread->m_bAutoDelete) delete pThread;
    return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete pThread;
        return nullptr;
    }
    ::SetThreadPriority(pThread->m_hThread.Get(), nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) pThread->ResumeThread();
    return pThread;
}
