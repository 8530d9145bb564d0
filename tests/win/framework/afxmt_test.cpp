// CEvent and AfxBeginThread as the reader thread uses them.
#include <gtest/gtest.h>

#include <atomic>

#include "afxmt.h"

namespace {

TEST(Event, ManualResetStaysSignalledAutoResetServesOneWait) {
    CEvent manual(FALSE, TRUE);
    EXPECT_FALSE(manual.Lock(0));
    manual.SetEvent();
    EXPECT_TRUE(manual.Lock(0));
    EXPECT_TRUE(manual.Lock(0));
    manual.ResetEvent();
    EXPECT_FALSE(manual.Lock(0));

    CEvent automatic; // the defaults: auto-reset, not signalled
    automatic.SetEvent();
    EXPECT_TRUE(automatic.Lock(0));
    EXPECT_FALSE(automatic.Lock(0));

    CEvent initially(TRUE, TRUE);
    EXPECT_TRUE(initially.Lock(0));
}

struct ThreadProbe {
    std::atomic<int> ran{0};
    DWORD threadId = 0;
};

UINT __cdecl ProbeThread(LPVOID param) {
    auto* p = static_cast<ThreadProbe*>(param);
    p->threadId = ::GetCurrentThreadId();
    p->ran = 1;
    return 42;
}

TEST(WorkerThread, RunsTheFunctionWithItsParameterAndPriority) {
    ThreadProbe probe;
    // Suspended, so that the test can take its own handle before the object deletes itself.
    CWinThread* t = AfxBeginThread(ProbeThread, &probe, THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    HANDLE own = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &own, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    const DWORD id = t->m_nThreadID;
    EXPECT_EQ(::GetThreadPriority(own), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(probe.ran.load(), 0);
    t->ResumeThread();
    ASSERT_EQ(::WaitForSingleObject(own, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeThread(own, &code);
    ::CloseHandle(own);
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(probe.ran.load(), 1);
    EXPECT_EQ(probe.threadId, id);
    EXPECT_NE(probe.threadId, ::GetCurrentThreadId());
}

TEST(WorkerThread, StartsAtOnceWithoutTheSuspendFlag) {
    ThreadProbe probe;
    ASSERT_NE(AfxBeginThread(ProbeThread, &probe), nullptr);
    const DWORD t0 = ::GetTickCount();
    while (!probe.ran && ::GetTickCount() - t0 < 5000)
        ::Sleep(1);
    EXPECT_EQ(probe.ran.load(), 1);
}

} // namespace
