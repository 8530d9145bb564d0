// The dialog's VCI MAC read against the simulated VCI: the whole road from the click to the caption,
// missing and damaged replies, replies in odd shapes, and a VCI that is not attached.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/win/support/message_pump.h"
#include "tests/win/support/probe_dialog.h"
#include "tests/win/support/recorders.h"
#include "resources/resource.h"
#include "vcilink/core/vci_timings.h"
#include "tests/win/support/vcisim_process.h"

using namespace vcilink;

namespace {

using namespace wintest;

bool WaitConnected(CProbeDlg& d) {
    return PumpUntil([&] { return d.m_UartComm.m_bUsbConnected != FALSE; }, 3000);
}

// The simulated VCI notes when a request arrives; our own clock sees a moment up to this much later.
constexpr DWORD kSeenLate = 50;

std::vector<std::string> ReceivedFrames(VciSimProcess& sim) {
    std::vector<std::string> rx;
    for (const auto& f : sim.Frames())
        if (f.rfind("rx ", 0) == 0) rx.push_back(f.substr(3));
    return rx;
}

TEST(VciMacRead, FromTheClickToTheCaption) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--mac 001A2B3C4D5E"));
    CProbeDlg dlg;
    CString captionDuringRead;
    BoxRecorder boxes;
    boxes.rule = [&](const BoxSeen&) {
        captionDuringRead = ItemText(dlg, IDC_READ_VCI_MAC_ADDRESS);
        return 0;
    };
    DWORD t0 = 0, took = 0, postedRanAt = 0, enterAt = 0, readAt = 0;
    std::vector<BoxSeen> quietBoxes;
    CString quietCaption, quietMac;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(WaitConnected(d));
        // Waiting in the queue while the pause holds the thread: only the read's wait for its reply
        // dispatches it.
        d.PostCall([&] { postedRanAt = ::GetTickCount(); });
        t0 = ::GetTickCount();
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        took = ::GetTickCount() - t0;
        auto stats = sim.Stats();
        enterAt = static_cast<DWORD>(stats["enterat"]);
        readAt = static_cast<DWORD>(stats["readat"]);
        EXPECT_EQ(ItemText(d, IDC_VCI_MAC_EDIT), CString(L"001A2B3C4D5E"));
        EXPECT_EQ(ItemText(d, IDC_READ_VCI_MAC_ADDRESS), CString(L"VCI MAC Address 읽기   001A2B3C4D5E"));

        // During automatic configuration the read is silent; the caption still follows.
        ASSERT_TRUE(sim.Ok("mac 02:11:22:33:44:55"));
        d.m_ApConversation.BeginAutoSetting();
        const size_t before = boxes.boxes.size();
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        quietBoxes.assign(boxes.boxes.begin() + static_cast<std::ptrdiff_t>(before), boxes.boxes.end());
        quietCaption = ItemText(d, IDC_READ_VCI_MAC_ADDRESS);
        quietMac = d.m_strVciMac;
    });

    // The pause lies between the enter request and the read request, and dispatches nothing.
    ASSERT_NE(enterAt, 0u);
    ASSERT_NE(readAt, 0u);
    ASSERT_NE(postedRanAt, 0u);
    EXPECT_GE(readAt - enterAt, 2000u - kSeenLate);
    EXPECT_LT(readAt - enterAt, 3500u);
    EXPECT_GE(postedRanAt - t0, 2000u);
    EXPECT_GE(postedRanAt + kSeenLate, readAt);
    EXPECT_LT(took, 4000u);
    ASSERT_GE(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CString(L"Read Completed"));
    EXPECT_EQ(boxes.boxes[0].caption, CString(AfxGetAppName()));
    EXPECT_EQ(boxes.boxes[0].type & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_EQ(captionDuringRead, CString(L"VCI MAC Address 읽는 중입니다."));

    EXPECT_TRUE(quietBoxes.empty());
    EXPECT_EQ(quietCaption, CString(L"VCI MAC Address 읽기   021122334455"));
    EXPECT_EQ(quietMac, CString(L"021122334455"));
    const uint8_t mac[7] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00};
    EXPECT_EQ(0, std::memcmp(dlg.m_MacAddress, mac, 7));
    EXPECT_EQ(0, std::memcmp(dlg.m_WlanSettings.MacAddress, mac, 6));

    // What went over the wire for the first read, byte for byte, and the one acknowledgement per reply.
    const std::vector<std::string> rx = ReceivedFrames(sim);
    ASSERT_EQ(rx.size(), 6u);
    EXPECT_EQ(rx[0], "02 0D 00 80 00 01 08 00 00 21 00 00 29 00 03 E3");
    EXPECT_EQ(rx[1], "02 10 00 80 00 02 0B 00 01 21 00 00 57 00 24 00 06 03 43");
    EXPECT_EQ(rx[2], "02 0D 00 80 00 03 08 00 02 21 00 00 2B 00 03 E9");
    auto stats = sim.Stats();
    EXPECT_EQ(stats["enter"], 2u);
    EXPECT_EQ(stats["read"], 2u);
    EXPECT_EQ(stats["leave"], 2u);
    EXPECT_EQ(stats["acks"], 2u);
    EXPECT_EQ(stats["badrequests"], 0u);
}

TEST(VciMacRead, MissingOrDamagedRepliesFailTheReadAndLeaveNoMac) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start());
    CProbeDlg dlg;
    BoxRecorder boxes;
    TraceRecorder traces;
    DWORD tookNoReply = 0, tookBadSum = 0;
    CString captionAfterNoReply, macAfterNoReply, captionAfterGood, captionAfterBadSum;
    uint8_t bytesAfterNoReply[7] = {}, bytesAfterBadSum[7] = {};
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(WaitConnected(d));
        std::memset(d.m_MacAddress, 0x77, sizeof d.m_MacAddress); // whatever it held stays
        ASSERT_TRUE(sim.Ok("noreply"));
        DWORD t0 = ::GetTickCount();
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        tookNoReply = ::GetTickCount() - t0;
        captionAfterNoReply = ItemText(d, IDC_READ_VCI_MAC_ADDRESS);
        macAfterNoReply = d.m_strVciMac;
        std::memcpy(bytesAfterNoReply, d.m_MacAddress, 7);

        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        captionAfterGood = ItemText(d, IDC_READ_VCI_MAC_ADDRESS);

        ASSERT_TRUE(sim.Ok("mac 0A0B0C0D0E0F"));
        ASSERT_TRUE(sim.Ok("badsum"));
        t0 = ::GetTickCount();
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        tookBadSum = ::GetTickCount() - t0;
        captionAfterBadSum = ItemText(d, IDC_READ_VCI_MAC_ADDRESS);
        std::memcpy(bytesAfterBadSum, d.m_MacAddress, 7);
    });

    // 2000 ms pause, then the full 5000 ms wait for a reply that never comes; nothing was ever read, so
    // neither the caption nor the MAC shows twelve zeros.
    constexpr DWORD kPauseAndWait = vcilink::kEnterConfigPauseMs + vcilink::kSettingReplyTimeoutMs;
    EXPECT_GE(tookNoReply, kPauseAndWait);
    EXPECT_LT(tookNoReply, kPauseAndWait + 2000);
    EXPECT_EQ(captionAfterNoReply, CString(L"VCI MAC Address 읽기"));
    EXPECT_TRUE(macAfterNoReply.IsEmpty());
    const uint8_t untouched[7] = {0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77};
    EXPECT_EQ(0, std::memcmp(bytesAfterNoReply, untouched, 7));
    EXPECT_EQ(captionAfterGood, CString(L"VCI MAC Address 읽기   001A2B3C4D5E"));
    // A reply whose checksum fails is no reply: the earlier VCI's MAC is not this one's, so none is left
    // to register; the setting read last keeps its bytes.
    EXPECT_GE(tookBadSum, kPauseAndWait);
    EXPECT_EQ(captionAfterBadSum, CString(L"VCI MAC Address 읽기"));
    EXPECT_TRUE(dlg.m_strVciMac.IsEmpty());
    const uint8_t earlier[7] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x00};
    EXPECT_EQ(0, std::memcmp(bytesAfterBadSum, earlier, 7));
    EXPECT_EQ(0, std::memcmp(dlg.m_WlanSettings.MacAddress, earlier, 6));
    // As a debugger on a Korean PC reads it: code page 949, "수신데이터 CheckSum 틀림 : ".
    EXPECT_TRUE(traces.Contains("          Hox2534DLL -> \xBC\xF6\xBD\xC5\xB5\xA5\xC0\xCC\xC5\xCD CheckSum "
                                "\xC6\xB2\xB8\xB2 : "));
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"VCI에서 응답이 없습니다.", L"Read Completed",
                                                   L"VCI에서 응답이 없습니다."}));
    for (const auto& b : boxes.boxes) {
        EXPECT_EQ(b.caption, CString(AfxGetAppName()));
        EXPECT_EQ(b.type & 0xF, static_cast<UINT>(MB_OK));
    }
    EXPECT_EQ(sim.Stats()["acks"], 1u);  // only the good reply was acknowledged
    EXPECT_EQ(sim.Stats()["leave"], 3u); // every read that entered configuration leaves it, failed or not
}

TEST(VciMacRead, OddlyShapedRepliesAndALateCopyThatAnswersNothing) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--mac 001A2B3C4D5E"));
    CProbeDlg dlg;
    BoxRecorder boxes;
    CString first, second;
    int waitingCopies = 0;
    uint32_t discarded = 0;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(WaitConnected(d));
        // Every frame repeated with bit 0x40, in frames of 9 data bytes, written twice in one block.
        ASSERT_TRUE(sim.Ok("repeat"));
        ASSERT_TRUE(sim.Ok("split 9"));
        ASSERT_TRUE(sim.Ok("twice"));
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        first = d.m_strVciMac;
        waitingCopies = d.m_UartComm.Receiver().MessageCount();
        // The copy still waits in the ring, and it answered the earlier request: the next request drops
        // it, and only what the device says now counts.
        ASSERT_TRUE(sim.Ok("mac 0A0B0C0D0E0F"));
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        second = d.m_strVciMac;
        discarded = d.m_UartComm.Receiver().Stats().discardedMessages;
    });
    EXPECT_EQ(first, CString(L"001A2B3C4D5E"));
    EXPECT_EQ(waitingCopies, 1);
    EXPECT_EQ(second, CString(L"0A0B0C0D0E0F"));
    EXPECT_EQ(discarded, 1u);
    EXPECT_EQ(dlg.m_UartComm.Receiver().MessageCount(), 0); // the dialog's end reset the link
    EXPECT_EQ(boxes.Texts().size(), 2u);
    EXPECT_EQ(sim.Stats()["badframes"], 0u);
}

// A reply later than the read's bound arrives during the next read's enter pause, when the dialog does
// not pump: the reader holds it for the dialog's thread, and it must not become the next read's answer.
TEST(VciMacRead, AReplyHeldThroughTheEnterPauseAnswersNothing) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--mac 001A2B3C4D5E"));
    CProbeDlg dlg;
    BoxRecorder boxes;
    CString second;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(WaitConnected(d));
        ASSERT_TRUE(sim.Ok("delay 6000"));
        Click(d, IDC_READ_VCI_MAC_ADDRESS); // times out; its reply comes a second later
        ASSERT_TRUE(sim.Ok("delay 0"));
        ASSERT_TRUE(sim.Ok("mac 0A0B0C0D0E0F"));
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        second = d.m_strVciMac;
    });
    EXPECT_EQ(second, CString(L"0A0B0C0D0E0F"));
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"VCI에서 응답이 없습니다.", L"Read Completed"}));
}

TEST(VciMacRead, WithoutTheVciBothButtonsSayWhyAndSendNothing) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--unplugged"));
    CProbeDlg dlg;
    BoxRecorder boxes;
    CString labelAfter1020, caption, labelAfter1000;
    RunDialog(dlg, [&](CProbeDlg& d) {
        Click(d, IDC_READ_VCI_MAC_ADDRESS);
        labelAfter1020 = ItemText(d, IDC_STATUS_VCI);
        caption = ItemText(d, IDC_READ_VCI_MAC_ADDRESS);
        d.SetDlgItemText(IDC_STATUS_VCI, L"AP : ");
        Click(d, IDC_READ_VCI_MAC);
        labelAfter1000 = ItemText(d, IDC_STATUS_VCI);
    });
    EXPECT_EQ(labelAfter1020, CString(L"VCI 미연결"));
    EXPECT_EQ(labelAfter1000, CString(L"VCI 미연결"));
    EXPECT_EQ(caption, CString(L"VCI MAC Address 읽기"));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, CString(L"PC와 VCI가 연결되지 않았습니다. USB 연결을 확인하여 주십시오."));
    EXPECT_EQ(boxes.boxes[1].text, CString(L"VCI is not connected. (USB)"));
    for (const auto& b : boxes.boxes) {
        EXPECT_EQ(b.caption, CString(AfxGetAppName()));
        EXPECT_EQ(b.type & 0xF, static_cast<UINT>(MB_OK));
    }
    EXPECT_TRUE(dlg.m_strVciMac.IsEmpty());
    EXPECT_EQ(sim.Stats()["bytesin"], 0u);
}

} // namespace
