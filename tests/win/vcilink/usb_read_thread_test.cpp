// The USB reader thread on its own, its reads stood in for by a driver's answers: which errors end it,
// and how long a stop waits for a read the driver never gives back.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/support/message_pump.h"
#include "tests/win/support/recorders.h"
#include "vcilink/usb_read_thread.h"
#include "vcilink/vci_usb.h"

using namespace vcilink;

namespace {

using namespace wintest;

constexpr LONG kStatusPending = 0x103;
constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005); // ERROR_MORE_DATA to the caller

// What the stand-in driver does, by call number (0 first); every call is counted.
std::atomic<int> g_Calls{0};
std::atomic<DWORD> g_Error{0};

// Every read fails at once with g_Error.
BOOL WINAPI FailAtOnce(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
    ++g_Calls;
    ::SetLastError(g_Error);
    return FALSE;
}

// The read is accepted and never completes, nor does its cancel.
BOOL WINAPI NeverComplete(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED ov) {
    ++g_Calls;
    ov->Internal = kStatusPending;
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

// Call 0 fills five bytes and reports ERROR_MORE_DATA at once, call 1 the same after pending; later
// calls fail with g_Error.
BOOL WINAPI MoreDataThenFail(HANDLE, LPVOID buf, DWORD, LPDWORD n, LPOVERLAPPED ov) {
    const int call = g_Calls++;
    if (call >= 2) {
        ::SetLastError(g_Error);
        return FALSE;
    }
    std::memcpy(buf, call == 0 ? "ABCDE" : "FGHIJ", 5);
    ov->Internal = kStatusBufferOverflow;
    ov->InternalHigh = 5;
    if (n) *n = 5;
    ::SetEvent(ov->hEvent);
    ::SetLastError(call == 0 ? ERROR_MORE_DATA : ERROR_IO_PENDING);
    return FALSE;
}

// Stands in for the link window: keeps what the reader sends and posts.
class CReaderSink : public CWnd {
  public:
    CReaderSink() { CreateEx(0, nullptr, L"reader sink", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
    std::vector<std::string> blocks;
    int ends = 0;

  protected:
    afx_msg LRESULT OnBlock(WPARAM w, LPARAM l) {
        blocks.emplace_back(reinterpret_cast<const char*>(w), static_cast<size_t>(l));
        return 1;
    }
    afx_msg LRESULT OnEnd(WPARAM, LPARAM) {
        ++ends;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReaderSink, CWnd)
ON_MESSAGE(WM_USB_RECEIVE, OnBlock)
ON_MESSAGE(WM_USB_THREAD_END, OnEnd)
END_MESSAGE_MAP()

class Reader : public ::testing::Test {
  protected:
    void SetUp() override {
        g_Calls = 0;
        ASSERT_TRUE(::CreatePipe(&pipeRead, &pipeWrite, nullptr, 0));
    }
    void TearDown() override {
        UsbSetReadFileForTest(nullptr);
        ::CloseHandle(pipeRead);
        ::CloseHandle(pipeWrite);
    }

    std::shared_ptr<UsbThreadParam> Start(UsbReadFileFn read) {
        UsbSetReadFileForTest(read);
        OVERLAPPED ov{};
        ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return StartUsbReader(sink.m_hWnd, pipeRead, ov);
    }

    CReaderSink sink;
    HANDLE pipeRead = nullptr, pipeWrite = nullptr;
};

TEST_F(Reader, AnyReadErrorEndsItOnceWithOneTraceLine) {
    // Codes a removed device gets from a real driver, and the ones the pipe gives.
    for (DWORD code : {22u, 5u, 2u, 1617u, 31u, 109u, 233u}) {
        SCOPED_TRACE(code);
        g_Calls = 0;
        g_Error = code;
        sink.ends = 0;
        TraceRecorder traces;
        auto reader = Start(&FailAtOnce);
        ASSERT_TRUE(reader);
        ASSERT_TRUE(PumpUntil([&] { return sink.ends > 0; }, 2000));
        PumpFor(100);
        EXPECT_EQ(g_Calls, 1);
        EXPECT_EQ(sink.ends, 1);
        EXPECT_TRUE(reader->m_bEnded);
        EXPECT_EQ(traces.Count("Read Data Failed (err=" + std::to_string(code) + ")"), 1);
        EXPECT_LE(traces.Lines().size(), 4u);
    }
}

TEST_F(Reader, MoreDataStillDeliversItsBytes) {
    g_Error = ERROR_BAD_COMMAND;
    auto reader = Start(&MoreDataThenFail);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(PumpUntil([&] { return sink.ends > 0; }, 2000));
    EXPECT_EQ(sink.blocks, (std::vector<std::string>{"ABCDE", "FGHIJ"}));
    EXPECT_EQ(g_Calls, 3);
}

TEST_F(Reader, AStopGivesUpOnAReadTheDriverNeverEnds) {
    TraceRecorder traces;
    auto reader = Start(&NeverComplete);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(PumpUntil([&] { return g_Calls > 0; }, 2000));
    const DWORD t0 = ::GetTickCount();
    reader->RequestStop();
    reader.reset(); // as the link does: it forgets the reader at once
    DWORD ended = 0;
    ASSERT_TRUE(PumpUntil([&] { return traces.Contains("USB Thread End-1"); }, 3000, &ended))
        << "the reader still waits for its read";
    const DWORD spent = ::GetTickCount() - t0;
    EXPECT_GE(spent, kVciCancelWaitMs - 50);
    EXPECT_LT(spent, kVciCancelWaitMs + 700);
    PumpFor(100);
    EXPECT_EQ(sink.ends, 0); // a stopped reader says nothing
    EXPECT_EQ(g_Calls, 1);
}

} // namespace
