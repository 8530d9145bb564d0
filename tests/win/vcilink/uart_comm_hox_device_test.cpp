// The link window with the simulated VCI: connecting, unplug and re-plug, broken writes, a device that
// stops taking data, read errors, a reader stopped mid-delivery, and replies shaped by the device's faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "tests/win/support/cp949.h"
#include "tests/win/support/message_pump.h"
#include "tests/win/support/recorders.h"
#include "vcilink/uart_comm_hox.h"
#include "tests/win/vcilink/vcilink_test_support.h"
#include "tests/win/support/vcisim_process.h"
#include "vcilink/core/wlan_settings.h"

using namespace vcilink;

namespace {

using namespace wintest;

class LinkWithDevice : public ::testing::Test {
  protected:
    virtual std::wstring SimArgs() const { return L""; }
    void SetUp() override {
        ASSERT_TRUE(sim.Start(SimArgs()));
        ASSERT_TRUE(link.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), &host, 1326));
        link.m_nMaxFrameData = kVciDialogMaxFrameData;
    }
    void TearDown() override {
        UsbSetReadFileForTest(nullptr);
        link.DestroyWindow();
        sim.Stop();
    }

    void Connect() {
        link.OpenComm();
        ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000));
    }

    // One setting read straight through the link; the reply's value text, or "" without a reply.
    std::string ReadSetting(int type, DWORD timeoutMs = 5000) {
        std::array<uint8_t, kWlanReadRequestLength> req{};
        BuildReadWlanSetting(type, req);
        EXPECT_TRUE(link.WriteMsg(req.data()));
        uint8_t reply[kVciMaxMessage] = {};
        int n = 0;
        if (!link.ReadMsg(reply, timeoutMs, &n)) return {};
        return std::string(WlanReplyValueText({reply, static_cast<size_t>(n)}));
    }

    // Notes in `polls` the moment each of the link's device polls comes due.
    std::function<void(const MSG&)> NotePolls(std::vector<DWORD>& polls) {
        return [this, &polls](const MSG& m) {
            if (m.hwnd == link.m_hWnd && m.message == WM_TIMER && m.wParam == TIMER_CONNECT_POLL)
                polls.push_back(::GetTickCount());
        };
    }

    VciSimProcess sim;
    CHostWnd host;
    CUartCommHox link;
};

TEST_F(LinkWithDevice, ShowsConnectedHalfASecondAfterItsReaderStarted) {
    const DWORD t0 = ::GetTickCount();
    link.OpenComm();
    DWORD readerAt = 0, connectedAt = 0;
    ASSERT_TRUE(PumpUntil([&] { return link.HasReader(); }, 2000, &readerAt));
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_NE(link.m_hReadPipe, INVALID_HANDLE_VALUE);
    EXPECT_NE(link.m_hWritePipe, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 2000, &connectedAt));
    EXPECT_GE(::GetTickCount() - t0, readerAt + 450);
    EXPECT_LT(::GetTickCount() - t0, 2000u);
    EXPECT_NE(sim.Command("status").find("connected=1"), std::string::npos);

    // Bytes flow: a message the device sends on its own lands in the ring and is acknowledged.
    ASSERT_TRUE(sim.Ok("unsolicited HELLO"));
    ASSERT_TRUE(PumpUntil([&] { return link.Receiver().MessageCount() == 1; }, 2000));
    EXPECT_TRUE(PumpUntil([&] { return sim.Stats()["acks"] == 1; }, 2000));
}

TEST_F(LinkWithDevice, UnplugDropsTheLinkAndReplugBringsItBack) {
    Connect();
    TraceRecorder traces;
    ASSERT_TRUE(sim.Ok("unplug"));
    std::vector<DWORD> polls;
    DWORD droppedAfter = 0;
    ASSERT_TRUE(PumpUntil([&] { return !link.m_bUsbConnected; }, 2000, &droppedAfter, NotePolls(polls)));
    const DWORD droppedAt = ::GetTickCount();
    EXPECT_LT(droppedAfter, 1000u);
    EXPECT_EQ(link.m_hReadPipe, INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.m_hWritePipe, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(link.HasReader());
    EXPECT_TRUE(
        PumpUntil([&] { return traces.Contains("USB Thread End-1"); }, 1000, nullptr, NotePolls(polls)));
    EXPECT_TRUE(traces.Contains("USB Read Error"));

    // Nothing to find: the first look 100 ms after the break, then one a second.
    ASSERT_TRUE(PumpUntil([&] { return polls.size() >= 3; }, 4000, nullptr, NotePolls(polls)));
    EXPECT_LT(polls[0] - droppedAt, 600u);
    for (size_t i = 1; i < polls.size(); ++i) {
        EXPECT_GE(polls[i] - polls[i - 1], 900u) << "poll " << i;
        EXPECT_LT(polls[i] - polls[i - 1], 1600u) << "poll " << i;
    }
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_FALSE(link.HasReader());

    ASSERT_TRUE(sim.Ok("plug"));
    DWORD backAfter = 0;
    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000, &backAfter));
    EXPECT_LT(backAfter, kPollAbsentMs + kOpenPipesDelayMs + kConnectedDelayMs + 800); // and slack
    EXPECT_EQ(sim.Stats()["sessions"], 2u);
}

TEST_F(LinkWithDevice, AFailedWriteDropsTheLinkAndExactlyOneReconnectFollows) {
    Connect();
    TraceRecorder traces;
    ASSERT_TRUE(sim.Ok("break-write"));
    const auto enter = BuildEnterWlanConfig();
    // The pipe may take a moment to report the break.
    ASSERT_TRUE(PumpUntil([&] { return !link.WriteMsg(enter.data()) || !link.m_bUsbConnected; }, 2000));
    const DWORD brokeAt = ::GetTickCount();
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_FALSE(link.HasReader());
    EXPECT_TRUE(traces.Contains(Cp949("CVciUsb USB 데이터 전송 에러1-")));

    // The device is still there: looked for 100 ms after the break (not a second later, as when it is
    // absent), the pipes 10 ms later, connected half a second after that.
    std::vector<DWORD> polls;
    DWORD backAfter = 0;
    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000, &backAfter, NotePolls(polls)));
    ASSERT_FALSE(polls.empty());
    EXPECT_LT(polls[0] - brokeAt, 600u);
    EXPECT_LT(backAfter, 1000u);
    // The stopped reader must not knock the new connection down or start another cycle.
    PumpFor(1500);
    EXPECT_TRUE(link.m_bUsbConnected);
    EXPECT_EQ(sim.Stats()["sessions"], 2u);
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "00 1A 2B 3C 4D 5E");
}

// The program's reads fail with this error while it is set (0: they are real again).
std::atomic<DWORD> g_ReadError{0};
BOOL WINAPI FailingRead(HANDLE h, LPVOID buf, DWORD size, LPDWORD n, LPOVERLAPPED ov) {
    if (const DWORD err = g_ReadError) {
        ::SetLastError(err);
        return FALSE;
    }
    return ::ReadFile(h, buf, size, n, ov);
}

TEST_F(LinkWithDevice, AReadErrorOfAVanishedDeviceEndsTheReaderOnceAndTheLinkPollsAgain) {
    Connect();
    TraceRecorder traces;
    g_ReadError = 1617; // ERROR_DEVICE_REMOVED, not among the pipe's own errors
    UsbSetReadFileForTest(&FailingRead);
    ASSERT_TRUE(sim.Ok("unsolicited HELLO")); // ends the read pending now: the next one fails
    // The device is back as soon as the reader has ended: only that reader meets the error.
    auto heal = [&](const MSG& m) {
        if (m.hwnd == link.m_hWnd && m.message == WM_USB_THREAD_END) g_ReadError = 0;
    };
    const bool dropped = PumpUntil([&] { return !link.m_bUsbConnected; }, 2000, nullptr, heal);
    g_ReadError = 0;
    const auto lines = traces.Lines();
    EXPECT_TRUE(dropped);
    EXPECT_EQ(traces.Count("Read Data Failed (err=1617)"), 1);
    EXPECT_LE(lines.size(), 6u) << ::testing::PrintToString(lines);

    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000));
    UsbSetReadFileForTest(nullptr);
    EXPECT_EQ(sim.Stats()["sessions"], 2u);
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "00 1A 2B 3C 4D 5E");
    EXPECT_EQ(traces.Count("Read Data Failed (err=1617)"), 1);
}

// A VCI that stops taking data holds every write off, as a USB device does; the simulator's pipe takes
// nothing ahead for that.
class StalledDevice : public LinkWithDevice {
  protected:
    std::wstring SimArgs() const override { return L"--write-buffer 0"; }
};

TEST_F(StalledDevice, AWriteItHoldsOffDropsTheLinkWithinTheBoundAndTheLinkComesBackAfter) {
    Connect();
    TraceRecorder traces;
    ASSERT_TRUE(sim.Ok("stall-write"));
    const auto enter = BuildEnterWlanConfig();
    DWORD spent = 0;
    {
        wintest::DeferredCommand wayOut(sim, "stall-write off", 4000);
        const DWORD t0 = ::GetTickCount();
        link.WriteMsg(enter.data());
        spent = ::GetTickCount() - t0;
    }
    EXPECT_GE(spent, kVciWriteTimeoutMs - 20);
    EXPECT_LT(spent, kVciWriteTimeoutMs + 600);
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_FALSE(link.HasReader());
    EXPECT_EQ(link.m_hWritePipe, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(traces.Contains(Cp949("CVciUsb USB 데이터 전송 에러1-1(err=5b4)")));

    // While it stalls it cannot be opened again; once it takes data, the link is back.
    PumpFor(1200);
    EXPECT_FALSE(link.m_bUsbConnected);
    ASSERT_TRUE(sim.Ok("stall-write off"));
    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000));
    EXPECT_EQ(sim.Stats()["sessions"], 2u);
    EXPECT_EQ(sim.Stats()["enter"], 0u); // the write given up never reached it
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "00 1A 2B 3C 4D 5E");
}

TEST_F(StalledDevice, AnAcknowledgementItHoldsOffBlocksTheWindowNoLongerThanTheBound) {
    Connect();
    ASSERT_TRUE(sim.Ok("stall-write"));
    ASSERT_TRUE(sim.Ok("unsolicited HELLO")); // it still sends: the acknowledgement cannot go
    // The longest the thread went without handling its 20 ms timer.
    DWORD last = ::GetTickCount(), longest = 0;
    const UINT_PTR tick = ::SetTimer(nullptr, 0, 20, nullptr);
    auto gaps = [&](const MSG& m) {
        if (m.message != WM_TIMER || m.wParam != tick) return;
        longest = std::max(longest, ::GetTickCount() - last);
        last = ::GetTickCount();
    };
    bool dropped = false;
    {
        wintest::DeferredCommand wayOut(sim, "stall-write off", 4000);
        dropped = PumpUntil([&] { return !link.m_bUsbConnected; }, 3000, nullptr, gaps);
        PumpFor(200);
    }
    ::KillTimer(nullptr, tick);
    EXPECT_TRUE(dropped);
    EXPECT_GE(longest, kVciWriteTimeoutMs - 100); // it was tried
    EXPECT_LT(longest, kVciWriteTimeoutMs + 600);
    EXPECT_EQ(sim.Stats()["acks"], 0u);

    ASSERT_TRUE(sim.Ok("stall-write off"));
    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000));
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "00 1A 2B 3C 4D 5E");
}

TEST_F(LinkWithDevice, ABlockInFlightWhenTheLinkClosesIsNotTaken) {
    Connect();
    ASSERT_TRUE(sim.Ok("unsolicited STALE"));
    ::Sleep(400); // not pumping: the reader now waits inside its SendMessage with the bytes
    link.CloseUsb(FALSE);
    PumpFor(300);
    EXPECT_EQ(link.Receiver().MessageCount(), 0);
    EXPECT_EQ(sim.Stats()["acks"], 0u);

    ASSERT_TRUE(PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 3000));
    EXPECT_EQ(link.Receiver().MessageCount(), 0);
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "00 1A 2B 3C 4D 5E");
}

TEST_F(LinkWithDevice, ALinkClosedWithinItsHalfSecondIsNeverShownConnected) {
    link.OpenComm();
    ASSERT_TRUE(PumpUntil([&] { return link.HasReader(); }, 2000));
    link.CloseUsb(TRUE);
    PumpFor(800);
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_FALSE(link.HasReader());
}

TEST_F(LinkWithDevice, RepliesArriveWhateverShapeTheDeviceGivesThem) {
    Connect();
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "00 1A 2B 3C 4D 5E");
    EXPECT_EQ(sim.Stats()["acks"], 1u);

    ASSERT_TRUE(sim.Ok("mac 02:11:22:33:44:55"));
    ASSERT_TRUE(sim.Ok("trickle 3 5"));
    EXPECT_EQ(ReadSetting(kWlanTypeMacAddress), "02 11 22 33 44 55");
    ASSERT_TRUE(sim.Ok("split 7"));
    std::string ssid = "4F 52 56 41 4E 45 2D 56 43 49"; // "ORVANE-VCI", then zeros to 32 bytes
    for (int i = 10; i < 32; ++i)
        ssid += " 00";
    EXPECT_EQ(ReadSetting(17), ssid);
    ASSERT_TRUE(sim.Ok("repeat"));
    ASSERT_TRUE(sim.Ok("split 10"));
    EXPECT_EQ(ReadSetting(4), "C0 A8 0A 14");

    // Two replies in one block: both are kept, oldest first.
    ASSERT_TRUE(sim.Ok("twice"));
    EXPECT_EQ(ReadSetting(5), "FF FF FF 00");
    ASSERT_TRUE(PumpUntil([&] { return link.Receiver().MessageCount() == 1; }, 1000));
    uint8_t copy[kVciMaxMessage] = {};
    int n = 0;
    ASSERT_TRUE(link.ReadMsg(copy, 0, &n));
    EXPECT_EQ(WlanReplyValueText({copy, static_cast<size_t>(n)}), "FF FF FF 00");
    // One acknowledgement per completed message; a repeated last frame completes one more.
    EXPECT_EQ(sim.Stats()["acks"], 1u + 1 + 1 + 2 + 2);
    EXPECT_EQ(sim.Stats()["badframes"], 0u);
}

TEST_F(LinkWithDevice, DeviceStoppingInsideAFrameGivesTheByteTimeoutBox) {
    Connect();
    BoxRecorder boxes;
    TraceRecorder traces;
    ASSERT_TRUE(sim.Ok("stall 1500"));
    std::array<uint8_t, kWlanReadRequestLength> req{};
    BuildReadWlanSetting(kWlanTypeMacAddress, req);
    ASSERT_TRUE(link.WriteMsg(req.data()));
    DWORD after = 0;
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }, 3000, &after));
    EXPECT_GE(after, 900u);
    EXPECT_EQ(boxes.boxes[0].text, CString(L"VCI에서 데이터 수신되다 안들어옴."));
    EXPECT_TRUE(traces.Contains("          Hox2534DLL -> Byte Timeout \r\n"));
    EXPECT_EQ(link.Receiver().MessageCount(), 0);
    EXPECT_TRUE(link.m_bUsbConnected); // the link itself is fine
}

} // namespace
