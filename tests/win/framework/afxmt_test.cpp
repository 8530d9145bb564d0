// CEvent and AfxBeginThread as the reader thread uses them.
#include <gtest/gtest.h>

#include <atomic>

#include "framework/afxmt.h"

namespace {

bool Signalled(HANDLE event) {
    return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// The reader thread's stop event: manual reset, so that once set it wakes every wait.
TEST(Event, ManualResetStaysSignalled) {
    CEvent manual(FALSE, TRUE);
    EXPECT_FALSE(Signalled(manual));
    manual.SetEvent();
    EXPECT_TRUE(Signalled(manual));
    EXPECT_TRUE(Signalled(manual));

    CEvent initially(TRUE, TRUE);
    EXPECT_TRUE(Signalled(initially));
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
    const DWORD id = ::GetThreadId(own);
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
