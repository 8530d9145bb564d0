// The link window without a device: frames on the wire, reassembly, acknowledgements, checksum and
// time-out handling, waits that keep the window alive, and the guards against a closed connection.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/win/support/cp949.h"
#include "tests/win/support/message_pump.h"
#include "tests/win/support/recorders.h"
#include "vcilink/uart_comm_hox.h"
#include "tests/win/vcilink/vcilink_test_support.h"
#include "vcilink/core/wlan_settings.h"

using namespace vcilink;

namespace {

using Bytes = std::vector<uint8_t>;
using namespace wintest;

// A link window whose write pipe is an anonymous pipe the test reads back.
class LinkProtocol : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(link.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), &host, 1326));
        HANDLE wireIn = nullptr;
        ASSERT_TRUE(::CreatePipe(&wireOut, &wireIn, nullptr, 1 << 20));
        link.m_hWritePipe = wireIn; // the link's from now on: it closes it with the link
        link.m_nMaxFrameData = kVciDialogMaxFrameData;
    }
    void TearDown() override {
        link.DestroyWindow();
        if (wireOut) ::CloseHandle(wireOut);
    }

    Bytes Written() {
        DWORD avail = 0;
        ::PeekNamedPipe(wireOut, nullptr, 0, nullptr, &avail, nullptr);
        Bytes out(avail);
        DWORD got = 0;
        if (avail) ::ReadFile(wireOut, out.data(), avail, &got, nullptr);
        out.resize(got);
        return out;
    }

    void Feed(const Bytes& b) { link.ReceiveBlock(b.data(), static_cast<int>(b.size())); }

    CHostWnd host;
    CUartCommHox link;
    HANDLE wireOut = nullptr;
};

// The VCI's side of a message: its frames, numbered from `firstSeq`.
Bytes Frames(const Bytes& msg, int maxData, uint8_t firstSeq = 1) {
    VciFrameEncoder enc;
    for (uint8_t s = 1; s < firstSeq; ++s) { // advance the sequence number
        const uint8_t dummy[2] = {2, 0};
        enc.BeginMessage(dummy);
        while (!enc.SendNextFrame().empty()) {
        }
    }
    enc.m_nMaxFrameData = maxData;
    EXPECT_TRUE(enc.BeginMessage(msg));
    Bytes out;
    for (auto f = enc.SendNextFrame(); !f.empty(); f = enc.SendNextFrame())
        out.insert(out.end(), f.begin(), f.end());
    return out;
}

Bytes Message(uint16_t id, const std::string& body) {
    Bytes m(8 + body.size());
    VciPutLe16(&m[0], static_cast<uint16_t>(m.size()));
    VciPutLe16(&m[2], id);
    std::memcpy(m.data() + 8, body.data(), body.size());
    return m;
}

const Bytes kEnterFrame = {0x02, 0x0D, 0x00, 0x80, 0x00, 0x01, 0x08, 0x00,
                           0x00, 0x21, 0x00, 0x00, 0x29, 0x00, 0x03, 0xE3};
const Bytes kReadMacFrame = {0x02, 0x10, 0x00, 0x80, 0x00, 0x02, 0x0B, 0x00, 0x01, 0x21,
                             0x00, 0x00, 0x57, 0x00, 0x24, 0x00, 0x06, 0x03, 0x43};
const Bytes kLeaveFrame = {0x02, 0x0D, 0x00, 0x80, 0x00, 0x03, 0x08, 0x00,
                           0x02, 0x21, 0x00, 0x00, 0x2B, 0x00, 0x03, 0xE9};

TEST_F(LinkProtocol, TheThreeWlanRequestsGoOutAsTheseFrames) {
    const auto enter = BuildEnterWlanConfig();
    std::array<uint8_t, kWlanReadRequestLength> read{};
    ASSERT_TRUE(BuildReadWlanSetting(kWlanTypeMacAddress, read));
    const auto leave = BuildLeaveWlanConfig();

    EXPECT_TRUE(link.WriteMsg(enter.data()));
    EXPECT_EQ(Written(), kEnterFrame);
    EXPECT_TRUE(link.WriteMsg(read.data()));
    EXPECT_EQ(Written(), kReadMacFrame);
    EXPECT_TRUE(link.WriteMsg(leave.data()));
    EXPECT_EQ(Written(), kLeaveFrame);
}

TEST_F(LinkProtocol, AMessageLongerThanOneFrameIsCutAtTheLimit) {
    link.m_nMaxFrameData = 8;
    Bytes eight = Message(0x1234, "");
    EXPECT_TRUE(link.WriteMsg(eight.data()));
    Bytes w = Written();
    ASSERT_EQ(w.size(), 16u);
    EXPECT_EQ(w[3], 0x80); // exactly the limit: one last frame
    EXPECT_EQ(w[5], 1);

    Bytes nine = Message(0x1234, "x");
    EXPECT_TRUE(link.WriteMsg(nine.data()));
    w = Written();
    ASSERT_EQ(w.size(), 16u + 9u);
    EXPECT_EQ(w[3], 0x00);
    EXPECT_EQ(w[5], 2);
    EXPECT_EQ(Bytes(w.begin() + 6, w.begin() + 14), Bytes(nine.begin(), nine.begin() + 8));
    EXPECT_EQ(w[16 + 3], 0x80);
    EXPECT_EQ(w[16 + 5], 3);
    EXPECT_EQ(w[16 + 6], 'x');
}

TEST_F(LinkProtocol, AMessageThatCannotFitIsNotSent) {
    Bytes huge(kVciMaxMessage + 1, 0);
    VciPutLe16(huge.data(), static_cast<uint16_t>(huge.size()));
    EXPECT_FALSE(link.WriteMsg(huge.data()));
    EXPECT_TRUE(Written().empty());
}

TEST_F(LinkProtocol, AFailedWriteClosesTheLinkYetTheMessageCallSucceeds) {
    TraceRecorder traces;
    link.m_bUsbConnected = TRUE;
    ::CloseHandle(wireOut); // nobody reads any more: the next write fails
    wireOut = nullptr;

    const auto enter = BuildEnterWlanConfig();
    EXPECT_TRUE(link.WriteMsg(enter.data()));
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_EQ(link.m_hWritePipe, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(traces.Contains(Cp949("          Hox2534DLL -> CVciUsb USB 데이터 전송 에러1-1(err=")));

    // From now on every write fails at once, without a trace.
    traces.Clear();
    EXPECT_TRUE(link.WriteMsg(enter.data()));
    EXPECT_FALSE(link.WriteByte(0x08));
    EXPECT_TRUE(traces.Lines().empty());
}

TEST_F(LinkProtocol, AReplySplitOverFramesAndBlocksIsReassembledAcknowledgedAndRead) {
    const Bytes reply = Message(0x2101, "line one\r\nline two\r\n00 1A 2B 3C 4D 5E");
    const Bytes wire = Frames(reply, 16);
    // Odd block sizes, as the reader may deliver them.
    size_t pos = 0;
    for (size_t step : {1u, 5u, 2u, 30u, 200u}) {
        const size_t n = std::min(step, wire.size() - pos);
        link.ReceiveBlock(wire.data() + pos, static_cast<int>(n));
        pos += n;
    }
    ASSERT_EQ(pos, wire.size());
    EXPECT_EQ(Written(), Bytes{0x08}); // one acknowledgement per message, not per frame

    uint8_t dest[kVciMaxMessage];
    int length = 0;
    ASSERT_TRUE(link.ReadMsg(dest, 100, &length));
    EXPECT_EQ(Bytes(dest, dest + length), reply);
    EXPECT_EQ(link.Receiver().MessageCount(), 0);
}

TEST_F(LinkProtocol, TwoMessagesInOneBlockAreReadOldestFirst) {
    const Bytes first = Message(0x2200, "first");
    const Bytes second = Message(0x2101, "second");
    Bytes wire = Frames(first, 1500);
    const Bytes more = Frames(second, 1500, 2);
    wire.insert(wire.end(), more.begin(), more.end());
    Feed(wire);
    EXPECT_EQ(Written(), (Bytes{0x08, 0x08}));

    uint8_t dest[kVciMaxMessage];
    int length = 0;
    ASSERT_TRUE(link.ReadMsg(dest, 100, &length));
    EXPECT_EQ(Bytes(dest, dest + length), first);
    ASSERT_TRUE(link.ReadMsg(dest, 100, &length));
    EXPECT_EQ(Bytes(dest, dest + length), second);
}

TEST_F(LinkProtocol, ABadChecksumDropsTheFrameWithoutAnswerAndTheReaderTimesOut) {
    TraceRecorder traces;
    Bytes wire = Frames(Message(0x2101, "reply"), 1500);
    const uint8_t good = wire.back();
    wire.back() = 0x77;
    Feed(wire);
    EXPECT_TRUE(Written().empty()); // nothing goes back to the VCI

    char expected[96];
    std::snprintf(expected, sizeof expected,
                  "          Hox2534DLL -> 수신데이터 CheckSum 틀림 : 77 %02X \r\n", good);
    EXPECT_TRUE(traces.Contains(Cp949(expected)));
    EXPECT_TRUE(traces.Contains(Cp949("          Hox2534DLL -> NAK응답6 \r\n")));

    uint8_t dest[kVciMaxMessage];
    const DWORD t0 = ::GetTickCount();
    EXPECT_FALSE(link.ReadMsg(dest, 300));
    const DWORD spent = ::GetTickCount() - t0;
    EXPECT_GE(spent, 300u);
    EXPECT_LT(spent, 1100u); // not much more, under load too
}

TEST_F(LinkProtocol, ARepeatedFrameAddsNoDataButMayCompleteTheMessage) {
    const Bytes reply = Message(0x2101, "abcdefghijklmnopqrstuvwxyz");
    const Bytes wire = Frames(reply, 20);
    const size_t firstLen = VciGetLe16(&wire[1]) + 3;
    Bytes first(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(firstLen));
    Bytes repeated = first;
    repeated[3] |= 0x40;
    repeated.back() = VciFrameCheckSum(repeated);
    Bytes rest(wire.begin() + static_cast<std::ptrdiff_t>(firstLen), wire.end());
    Bytes repeatedLast = rest;
    repeatedLast[3] |= 0x40;
    repeatedLast.back() = VciFrameCheckSum(repeatedLast);

    Feed(first);
    Feed(repeated);
    Feed(rest);
    Feed(repeatedLast); // completes an empty message: acknowledged, nothing to read
    EXPECT_EQ(Written(), (Bytes{0x08, 0x08}));

    uint8_t dest[kVciMaxMessage];
    int length = 0;
    ASSERT_TRUE(link.ReadMsg(dest, 100, &length));
    EXPECT_EQ(Bytes(dest, dest + length), reply);
    EXPECT_FALSE(link.ReadMsg(dest, 0));
}

TEST_F(LinkProtocol, WaitingForAReplyKeepsTheWindowsAlive) {
    static int handled = 0;
    handled = 0;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++handled; });
    uint8_t dest[kVciMaxMessage];
    const DWORD t0 = ::GetTickCount();
    EXPECT_FALSE(link.ReadMsg(dest, 400));
    const DWORD spent = ::GetTickCount() - t0;
    ::KillTimer(nullptr, timer);
    EXPECT_GE(spent, 400u);
    EXPECT_LT(spent, 1200u);
    EXPECT_GE(handled, 4);

    // A reply that arrives during the wait ends it at once.
    const Bytes wire = Frames(Message(0x2101, "late"), 1500);
    static struct Late {
        CUartCommHox* link;
        const Bytes* wire;
    } late;
    late = {&link, &wire};
    timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        late.link->ReceiveBlock(late.wire->data(), static_cast<int>(late.wire->size()));
    });
    const DWORD t1 = ::GetTickCount();
    EXPECT_TRUE(link.ReadMsg(dest, 5000));
    EXPECT_LT(::GetTickCount() - t1, 1000u);
}

TEST_F(LinkProtocol, AFrameLeftUnfinishedEndsInTheByteTimeoutBox) {
    TraceRecorder traces;
    BoxRecorder boxes;
    const Bytes wire = Frames(Message(0x2101, "cut short"), 1500);
    const DWORD t0 = ::GetTickCount();
    link.ReceiveBlock(wire.data(), static_cast<int>(wire.size() / 2));
    DWORD shownAfter = 0;
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }, 2000, &shownAfter));
    EXPECT_GE(::GetTickCount() - t0, 1000u);
    EXPECT_LT(shownAfter, 2500u);
    EXPECT_EQ(boxes.boxes[0].text, CString(L"VCI에서 데이터 수신되다 안들어옴."));
    EXPECT_EQ(boxes.boxes[0].caption, CString(AfxGetAppName()));
    EXPECT_EQ(boxes.boxes[0].type & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(traces.Contains("          Hox2534DLL -> Byte Timeout \r\n"));
    EXPECT_EQ(link.Receiver().CommMode(), kVciCommIdle);

    // The rest of that frame is noise now; a whole frame afterwards is taken, and finishes in time.
    link.ReceiveBlock(wire.data() + wire.size() / 2, static_cast<int>(wire.size() - wire.size() / 2));
    // Its bytes come 700 ms apart: longer than 1000 ms in all, but never 1000 ms of silence.
    const Bytes next = Frames(Message(0x2101, "whole"), 1500, 2);
    Feed(Bytes(next.begin(), next.begin() + 5));
    PumpFor(700);
    Feed(Bytes(next.begin() + 5, next.begin() + 10));
    PumpFor(700);
    Feed(Bytes(next.begin() + 10, next.end()));
    PumpFor(1100); // the completed frame ended the time-out
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(link.Receiver().MessageCount(), 1);
}

TEST_F(LinkProtocol, AFrameLengthBeyondTheBufferIsDroppedAtOnce) {
    BoxRecorder boxes;
    TraceRecorder traces;
    const Bytes bogus = {0x02, 0xCA, 0x0B, 0x80, 0x00, 0x01, 0x41, 0x42}; // LEN 3018
    Feed(bogus);
    EXPECT_EQ(link.Receiver().CommMode(), kVciCommIdle);
    PumpFor(1200);
    EXPECT_TRUE(boxes.boxes.empty()); // dropped frames leave no time-out behind
    EXPECT_TRUE(Written().empty());
}

TEST_F(LinkProtocol, BlocksAndThreadEndsOfAConnectionThatIsGoneAreIgnored) {
    const Bytes wire = Frames(Message(0x2101, "stale"), 1500);
    // No reader runs: a WM_USB_RECEIVE can only come from a connection already closed.
    link.SendMessage(WM_USB_RECEIVE, reinterpret_cast<WPARAM>(wire.data()), static_cast<LPARAM>(wire.size()));
    EXPECT_EQ(link.Receiver().MessageCount(), 0);
    EXPECT_TRUE(Written().empty());

    link.m_bUsbConnected = TRUE;
    link.SendMessage(WM_USB_THREAD_END, 20, 20);
    EXPECT_TRUE(link.m_bUsbConnected); // no second polling cycle, no false break
}

TEST_F(LinkProtocol, CloseUsbDropsUnreadMessagesAndTheMessageBeingSent) {
    Feed(Frames(Message(0x2101, "unread"), 1500));
    ASSERT_EQ(link.Receiver().MessageCount(), 1);
    link.m_nMaxFrameData = 4;
    link.CloseUsb(FALSE);
    EXPECT_EQ(link.Receiver().MessageCount(), 0);
    EXPECT_FALSE(link.Encoder().IsSending());
    EXPECT_EQ(link.Encoder().SendSeqNum(), 0); // the next frame is number 1 again
}

TEST(LinkWindow, CreationGivesAHiddenChildWithTheStartValues) {
    CHostWnd host;
    CUartCommHox link;
    link.m_nMaxFrameData = 7;
    ASSERT_TRUE(link.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), &host, 1326));
    EXPECT_EQ(link.GetDlgCtrlID(), 1326);
    EXPECT_TRUE(link.GetStyle() & WS_CHILD);
    EXPECT_FALSE(link.IsWindowVisible());
    EXPECT_EQ(link.m_nMaxFrameData, kVciInitialMaxFrameData);
    EXPECT_EQ(link.m_hWritePipe, INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.m_hReadPipe, INVALID_HANDLE_VALUE);
    EXPECT_EQ(link.m_pReadThread, nullptr);
    EXPECT_FALSE(link.m_bUsbConnected);
    EXPECT_EQ(link.Receiver().CommMode(), kVciCommIdle);
}

} // namespace
