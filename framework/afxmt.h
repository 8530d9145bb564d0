// Threads and synchronisation objects: CEvent, CWinThread and AfxBeginThread.
//
// Classes: CEvent (owns one kernel event), CWinThread (one worker thread; deletes itself, and closes its
// handle, when its function returns, so a pointer to it must not be used once the thread may have ended).
#pragma once

#include <windows.h>

class CEvent {
  public:
    // Unnamed, with the default security.
    CEvent(BOOL bInitiallyOwn, BOOL bManualReset)
        : m_hObject(::CreateEventW(nullptr, bManualReset, bInitiallyOwn, nullptr)) {}
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
    ~CEvent() {
        if (m_hObject) ::CloseHandle(m_hObject);
    }

    operator HANDLE() const { return m_hObject; }
    BOOL SetEvent() { return ::SetEvent(m_hObject); }

    HANDLE m_hObject;
};

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

class CWinThread {
  public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
        : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam) {}
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    virtual ~CWinThread();

    // Starts the thread (suspended when asked); FALSE when the system could not create it.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0,
                      LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    HANDLE m_hThread = nullptr;

  private:
    static unsigned __stdcall ThreadEntry(void* self);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

// A worker thread running pfn(pParam); null when it cannot be created. The object deletes itself when
// pfn returns.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
