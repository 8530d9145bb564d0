// The dialog's AP connection under Wine against apsim: connecting with button 1006, reconnecting,
// refusal with Retry and Cancel, an immediate failure, the loss of the connection and the dialog's end.
#include "tests/win/aplink/ap_test_support.h"

namespace {

using namespace wintest;

class ApConnectionTest : public ApsimTest {};

TEST_F(ApConnectionTest, Button1006ConnectsAndReadsTheList) {
    ASSERT_TRUE(apsim.Ok("add 02:11:22:33:44:55"));
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = apsim.Address();
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_CONNECT_AP), BM_CLICK, 0, 0);
        // Pending: a socket, not yet connected, and nothing shown.
        EXPECT_NE(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_bApConnected, 0);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 미연결"));
        EXPECT_TRUE(boxes.boxes.empty());

        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!"));
        EXPECT_EQ(d.m_bApConnected, 1);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 연결"));
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdReadList);
        ASSERT_FALSE(d.socketEvents.empty());
        EXPECT_EQ(d.socketEvents.front(), std::make_pair(TCP_EVT_CONNECT, LPARAM{0}));
        EXPECT_EQ(traces.Sent(), std::vector<std::string>{"w fff3 \r"});

        // Pressed again while connected: the old socket goes first, then a fresh connect.
        Click(d, IDC_CONNECT_AP);
        EXPECT_EQ(d.m_bApConnected, 0);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 미연결"));
        EXPECT_NE(d.m_pClientSock, nullptr);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(d.m_bApConnected, 1);
        EXPECT_EQ(d.m_ListApMac.GetCount(), 1); // emptied and read again, not doubled
    });
    // Closing the dialog drops the socket.
    EXPECT_EQ(dlg.m_pClientSock, nullptr);
    EXPECT_EQ(dlg.m_bApConnected, 0);
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"Read Completed!!!", L"Read Completed!!!"}));
    EXPECT_NE(apsim.Stats().find("connections=2"), std::string::npos) << apsim.Stats();
    EXPECT_EQ(apsim.Commands(), (std::vector<std::string>{"w fff3 ", "w fff3 "}));
}

TEST_F(ApConnectionTest, RefusedConnectOffersRetryThatCanReachTheAp) {
    const auto refusing = ApEndpoint(false);
    ASSERT_TRUE(refusing);
    CProbeDlg dlg;
    bool stateDuringBox = false;
    boxes.rule = [&](const BoxSeen& b) {
        if (b.type & MB_RETRYCANCEL) {
            // While the box is open the socket is already gone.
            stateDuringBox = dlg.m_pClientSock == nullptr && dlg.m_bApConnected == 0 &&
                             ItemText(dlg, IDC_STATUS_AP) == CString(L"AP 미연결");
            dlg.m_strApAddress = apsim.Address();
            return IDRETRY;
        }
        return 0;
    };
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = refusing->Address();
        Click(d, IDC_CONNECT_AP);
        EXPECT_TRUE(boxes.boxes.empty()); // nothing at once: the connect is pending
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!"));
        EXPECT_EQ(d.m_bApConnected, 1);
    });
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text,
              CString(L"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오."));
    EXPECT_EQ(boxes.boxes[0].caption, CString(L"AP MAC Setting"));
    EXPECT_EQ(boxes.boxes[0].type & 0xF, static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_TRUE(stateDuringBox);
    ASSERT_GE(dlg.socketEvents.size(), 2u);
    EXPECT_EQ(dlg.socketEvents[0], std::make_pair(TCP_EVT_CONNECT, LPARAM{WSAECONNREFUSED}));
    EXPECT_EQ(dlg.socketEvents[1], std::make_pair(TCP_EVT_CONNECT, LPARAM{0}));
}

TEST_F(ApConnectionTest, CancelOnTheFailureBoxLeavesNoSocket) {
    const auto refusing = ApEndpoint(false);
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = refusing->Address();
        Click(d, IDC_CONNECT_AP);
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && boxes.boxes.back().closed; }));
        PumpFor(100);
        EXPECT_EQ(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_bApConnected, 0);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 미연결"));
    });
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(traces.Sent().empty());
}

TEST_F(ApConnectionTest, AnImmediateFailureShowsItsErrorCode) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.SetDlgItemText(IDC_STATUS_AP, L"unchanged");
        d.m_strApAddress = L"ap.example"; // not dotted decimal: refused before anything is sent
        Click(d, IDC_CONNECT_AP);
        EXPECT_EQ(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_bApConnected, 0);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"unchanged"));
        PumpFor(100);
        EXPECT_TRUE(d.socketEvents.empty());
    });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CString(L"연결 실패 : 10022"));
    EXPECT_EQ(boxes.boxes[0].caption, CString(AfxGetAppName()));
    EXPECT_EQ(boxes.boxes[0].type & 0xF, static_cast<UINT>(MB_OK));
}

// The AP goes while "Mac 등록 완료" is open: the loss is handled inside that box, and the list read
// that follows the box finds no socket.
TEST_F(ApConnectionTest, TheApClosingTheConnectionInsideABoxIsHandledThere) {
    const auto ap = ApEndpoint();
    ASSERT_TRUE(ap);
    const wchar_t* const lost = L"AP와 연결이 끊어 졌습니다.";
    CProbeDlg dlg;
    DWORD closedAt = 0;
    bool registeredOpen = false, tornDownInsideTheBox = false;
    boxes.rule = [&](const BoxSeen& b) {
        if (b.text == CString(lost))
            tornDownInsideTheBox = registeredOpen && dlg.m_pClientSock == nullptr &&
                                   dlg.m_bApConnected == 0 &&
                                   ItemText(dlg, IDC_STATUS_AP) == CString(L"AP 미연결");
        if (b.text != CString(L"Mac 등록 완료")) return 0;
        if (!closedAt) {
            closedAt = ::GetTickCount();
            ap->CloseAccepted();
        }
        // Open until the loss has been told, or a while if it never is.
        registeredOpen = boxes.Count(lost) == 0 && ::GetTickCount() - closedAt < 5000;
        return registeredOpen ? BoxRecorder::kKeepOpen : 0;
    };
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = ap->Address();
        Click(d, IDC_CONNECT_AP);
        ASSERT_TRUE(ap->Accept());
        ASSERT_TRUE(Receives(*ap, "w fff3 \r"));
        ap->SendText(ListAnswer({}));
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!"));

        d.m_strPcMac = L"021122334455";
        Click(d, IDC_ADD_MAC_TO_AP);
        EXPECT_EQ(ap->ReceiveText(), "w fff0 02 11 22 33 44 55\r");
        ap->SendText("701");
        ASSERT_TRUE(boxes.WaitFor(L"AP와 연결이 끊어 졌습니다."));
        PumpFor(300);
        EXPECT_TRUE(tornDownInsideTheBox);
        EXPECT_EQ(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 미연결"));
    });
    EXPECT_EQ(boxes.Texts(),
              (std::vector<CString>{L"Read Completed!!!", L"Mac 등록 완료", L"AP와 연결이 끊어 졌습니다."}));
    EXPECT_EQ(traces.Sent(), (std::vector<std::string>{"w fff3 \r", "w fff0 02 11 22 33 44 55\r"}));
}

TEST_F(ApConnectionTest, DisconnectWithoutASocketOnlyResetsTheState) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_bApConnected = 1;
        d.SetDlgItemText(IDC_STATUS_AP, L"AP 연결");
        d.DisconnectFromAP();
        EXPECT_EQ(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        EXPECT_EQ(d.m_bApConnected, 0);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 미연결"));
    });
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace

namespace {

// A list answer the AP never sends puts the stream out of step: the operation ends with its box, and the
// next press of 1002 connects again on its own and then reads the list.
TEST_F(ApConnectionTest, AStreamOutOfStepIsMadeAnewByTheNextClick) {
    const auto ap = ApEndpoint();
    ASSERT_TRUE(ap);
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = ap->Address();
        Click(d, IDC_CONNECT_AP);
        ASSERT_TRUE(ap->Accept());
        ASSERT_TRUE(Receives(*ap, "w fff3 \r")); // silently dropped
        ASSERT_TRUE(
            boxes.WaitFor(L"AP에서 응답이 없습니다.", 1,
                          static_cast<int>(aplink::kApAnswerTimeoutMs + 2 * COrvaneDlg::kStatusTimerMs)));
        EXPECT_TRUE(d.m_ApConversation.OutOfStep());

        Click(d, IDC_REFRESH_AP_LIST);
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 미연결"));
        ASSERT_TRUE(ap->Accept());
        ASSERT_TRUE(Receives(*ap, "w fff3 \r"));
        ap->SendText(ListAnswer({"02 11 22 33 44 55"}));
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!"));
        EXPECT_EQ(ItemText(d, IDC_STATUS_AP), CString(L"AP 연결"));
        EXPECT_EQ(d.m_ListApMac.GetCount(), 1);
    });
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"AP에서 응답이 없습니다.", L"Read Completed!!!"}));
}

} // namespace
