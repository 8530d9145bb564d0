// The worker thread object and AfxBeginThread.
#include "framework/afxmt.h"

#include <cassert>
#include <process.h>

CWinThread::~CWinThread() {
    if (m_hThread) ::CloseHandle(m_hThread);
}

unsigned __stdcall CWinThread::ThreadEntry(void* self) {
    auto* thread = static_cast<CWinThread*>(self);
    const UINT result = thread->m_pfnThreadProc(thread->m_pThreadParams);
    delete thread;
    return result;
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    assert(m_pfnThreadProc); // the thread would call it
    // _beginthreadex rather than CreateThread: the thread function may use the C runtime.
    const uintptr_t h = ::_beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, this,
                                         dwCreateFlags | CREATE_SUSPENDED, nullptr);
    if (h == 0) return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(h);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
    return TRUE;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    auto* thread = new CWinThread(pfnThreadProc, pParam);
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(nPriority);
    // Once it runs the thread may end and delete the object at any moment: nothing touches it after this.
    if (!(dwCreateFlags & CREATE_SUSPENDED)) thread->ResumeThread();
    return thread;
}
