// The MAC filter buttons under Wine against apsim: add, delete ticked or all, the hidden senders, Test,
// and send errors.
#include "aplink/client_sock.h"
#include "tests/win/support/cp949.h"
#include "tests/win/aplink/mac_filter_test_support.h"

namespace {

using namespace wintest;

TEST_F(MacFilterOpsTest, AddRegistersTheVciThenThePcAndReadsTheListBack) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // Both MACs: the VCI's first, the PC's on its acceptance, then the list; each a second after
        // what caused it. A message posted as the VCI's acceptance is read waits until the PC's add is out.
        Mark();
        SetVciMac(d, L"001A2B3C4D5E");
        d.m_strPcMac = L"021122334455";
        traces.onLine = [&](const std::string& l) {
            if (l.rfind("COrvaneDlg::OnReceiveTCP : ", 0) == 0) d.PostMark();
        };
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        traces.onLine = nullptr;
        EXPECT_EQ(SentSinceMark(),
                  (Lines{"w fff0 00 1a 2b 3c 4d 5e\r", "w fff0 02 11 22 33 44 55\r", "w fff3 \r"}));
        const std::vector<SendTiming> sends = SendTimingsSinceMark();
        ASSERT_EQ(sends.size(), 3u);
        for (const SendTiming& s : sends)
            EXPECT_GE(s.pause, kWaitMs);
        ASSERT_FALSE(d.marksHandled.empty());
        EXPECT_GE(d.marksHandled[0], sends[1].at);
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 완료", L"Read Completed!!!"}));
        EXPECT_EQ(Rows(d), (std::vector<CString>{L"00 1A 2B 3C 4D 5E", L"02 11 22 33 44 55"}));
        EXPECT_EQ(ListBoxLines(d.m_ListApMac), Rows(d));

        // Only the PC's MAC: one add, its acceptance completes the registration.
        Mark();
        SetVciMac(d, L"");
        d.m_strPcMac = L"ACDE48001122";
        Click(d, IDC_ADD_MAC_TO_AP);
        EXPECT_EQ(d.m_bPcMacStep, 1);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 3));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 ac de 48 00 11 22\r", "w fff3 \r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 완료", L"Read Completed!!!"}));
        EXPECT_EQ(Rows(d).size(), 3u);

        // Only the VCI's MAC: after its acceptance nothing more, not even a box.
        Mark();
        SetVciMac(d, L"0A0B0C0D0E0F");
        d.m_strPcMac = L"";
        size_t reads = Reads();
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(WaitForRead(reads));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 0a 0b 0c 0d 0e 0f\r"}));
        EXPECT_TRUE(BoxesSinceMark().empty());
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdAddMac);
        EXPECT_EQ(d.m_bPcMacStep, 1);

        // Neither: nothing is sent and nothing is shown; the add stays pending.
        Mark();
        SetVciMac(d, L"");
        Click(d, IDC_ADD_MAC_TO_AP);
        PumpFor(100);
        EXPECT_TRUE(SentSinceMark().empty());
        EXPECT_TRUE(BoxesSinceMark().empty());
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdAddMac);

        // A MAC text that is not twelve hexadecimal digits is never sent: a short VCI text counts as
        // none, and a VCI text with a stray letter gives way to the PC's MAC. Nor is the all-zero MAC,
        // the AP's end of list, from either side.
        Mark();
        SetVciMac(d, L"12345");
        Click(d, IDC_ADD_MAC_TO_AP);
        SetVciMac(d, L"000000000000");
        d.m_strPcMac = L"000000000000";
        Click(d, IDC_ADD_MAC_TO_AP);
        Click(d, IDC_WRITE_MAC_TO_AP);
        PumpFor(100);
        EXPECT_TRUE(SentSinceMark().empty());
        EXPECT_TRUE(BoxesSinceMark().empty());
        SetVciMac(d, L"001A2B3C4D5G");
        d.m_strPcMac = L"021122334455";
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 4));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 02 11 22 33 44 55\r", "w fff3 \r"}));
    });
}

TEST_F(MacFilterOpsTest, RefusalsAndUnexpectedRepliesEndTheRun) {
    AddToAp({"02:11:22:33:44:55", "00:1A:2B:3C:4D:5E"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        d.m_strPcMac = L"ACDE48001122";

        // Refused: shown even during automatic configuration, nothing follows, and the configuration
        // is over.
        Mark();
        d.m_ApConversation.BeginAutoSetting();
        ASSERT_TRUE(apsim.Ok("refuse 1"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 등록 실패"));
        PumpFor(300);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 ac de 48 00 11 22\r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 실패"}));
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdAddMac);
        EXPECT_EQ(d.m_bAutoSetting, 0);

        // Anything else is shown with the text received, and ends it too.
        d.m_ApConversation.BeginAutoSetting();
        ASSERT_TRUE(apsim.Ok("garbage 1 oops"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 등록 에러인데 멀까? : oops"));
        EXPECT_EQ(d.m_bAutoSetting, 0);
        // Only the first three characters count, and one answer over two reads is one answer.
        Mark();
        ASSERT_TRUE(apsim.Ok("garbage 1 701 but more"));
        ASSERT_TRUE(apsim.Ok("split 2"));
        ASSERT_TRUE(apsim.Ok("split-gap 150"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 완료", L"Read Completed!!!"}));
        ASSERT_TRUE(apsim.Ok("split off"));

        // A refused delete keeps the rows and their ticks; so does an unexpected reply. (A garbled
        // answer changes nothing in apsim, so the list still has its two entries.)
        ASSERT_EQ(d.m_pCheckList->GetCount(nullptr), 2);
        d.m_pCheckList->SetCheck(0, 1);
        Mark();
        ASSERT_TRUE(apsim.Ok("refuse 1"));
        Click(d, IDC_DELETE_SELECTED_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 삭제 실패"));
        PumpFor(300);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff1 02 11 22 33 44 55\r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, L"Mac 삭제 실패"}));
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 2);
        EXPECT_EQ(d.m_pCheckList->GetCheck(0), 1);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdDeleteMac);

        ASSERT_TRUE(apsim.Ok("garbage 1 huh?"));
        Click(d, IDC_DELETE_SELECTED_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 삭제 에러인데 멀까? : huh?"));
        PumpFor(300);
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 2);
    });
    const Lines log = apsim.Commands();
    EXPECT_EQ(std::count(log.begin(), log.end(), "w fff1 02 11 22 33 44 55"), 2);
}

TEST_F(MacFilterOpsTest, DeleteSendsOneCommandPerTickedEntryInOrder) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        // A row in the middle state counts as ticked.
        d.m_pCheckList->SetCheck(0, 1);
        d.m_pCheckList->SetCheck(2, 2);
        ASSERT_EQ(d.m_pCheckList->GetCheck(2), 2);
        Mark();
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_DELETE_SELECTED_MAC), BM_CLICK, 0, 0);
        EXPECT_EQ(d.m_nListCount, 3);
        EXPECT_EQ(d.m_nDeleteIndex, 1);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(SentSinceMark(),
                  (Lines{"w fff1 02 00 00 00 00 00\r", "w fff1 02 00 00 00 00 02\r", "w fff3 \r"}));
        for (const SendTiming& s : SendTimingsSinceMark())
            EXPECT_GE(s.pause, kWaitMs);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, L"Mac 삭제 완료3", L"Read Completed!!!"}));
        EXPECT_EQ(Rows(d), std::vector<CString>{L"02 00 00 00 00 01"});
    });
    ASSERT_GE(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].caption, CString(L"AP MAC Setting"));
    EXPECT_EQ(boxes.boxes[1].type & 0xF, static_cast<UINT>(MB_YESNO));
}

TEST_F(MacFilterOpsTest, DeleteSkipsARowUntickedWhileTheRunIsUnderWay) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        for (int i = 0; i < 3; ++i)
            d.m_pCheckList->SetCheck(i, 1);
        // Row 2 is unticked between the first and the second reply: when the second one comes, the scan
        // finds no tick left.
        traces.onLine = [&](const std::string& l) {
            if (l == "COrvaneDlg::SendDataToAP : w fff1 02 00 00 00 00 01\r") d.m_pCheckList->SetCheck(2, 0);
        };
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        traces.onLine = nullptr;
        EXPECT_EQ(SentSinceMark(),
                  (Lines{"w fff1 02 00 00 00 00 00\r", "w fff1 02 00 00 00 00 01\r", "w fff3 \r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, L"삭제 완료2", L"Read Completed!!!"}));
        EXPECT_EQ(Rows(d), std::vector<CString>{L"02 00 00 00 00 02"});
    });
}

TEST_F(MacFilterOpsTest, DeleteWithNothingTickedOrNothingListed) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // No on the confirmation: nothing at all.
        d.m_pCheckList->SetCheck(1, 1);
        boxes.rule = [](const BoxSeen& b) { return b.text == CString(kDeleteConfirm) ? IDNO : 0; };
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        PumpFor(100);
        EXPECT_TRUE(SentSinceMark().empty());
        EXPECT_EQ(BoxesSinceMark(), Texts{kDeleteConfirm});
        boxes.rule = nullptr;

        // Nothing ticked: confirmed, then "삭제 완료1" and a list read, without a delete command.
        d.m_pCheckList->SetCheck(1, 0);
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(SentSinceMark(), Lines{"w fff3 \r"});
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, L"삭제 완료1", L"Read Completed!!!"}));

        // An empty list: told before any confirmation, at 1018; after the first one, at 1017.
        ASSERT_TRUE(apsim.Ok("clear"));
        Click(d, IDC_REFRESH_AP_LIST);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 3));
        ASSERT_EQ(d.m_pCheckList->GetCount(nullptr), 0);
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        Click(d, IDC_DELETE_ALL_MAC);
        PumpFor(100);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kSelectOne, kDeleteAllConfirm, kSelectOne}));
        EXPECT_TRUE(SentSinceMark().empty());
    });
}

TEST_F(MacFilterOpsTest, DeleteAllAsksTwiceAndDeletesEveryEntry) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // No at the second question: every row is ticked, nothing is sent.
        boxes.rule = [](const BoxSeen& b) { return b.text == CString(kDeleteConfirm) ? IDNO : 0; };
        Mark();
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_DELETE_ALL_MAC), BM_CLICK, 0, 0);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteAllConfirm, kDeleteConfirm}));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(d.m_pCheckList->GetCheck(i), 1);
        EXPECT_TRUE(SentSinceMark().empty());
        boxes.rule = nullptr;

        Mark();
        Click(d, IDC_DELETE_ALL_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2, 12000));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff1 02 00 00 00 00 00\r", "w fff1 02 00 00 00 00 01\r",
                                          "w fff1 02 00 00 00 00 02\r", "w fff3 \r"}));
        EXPECT_EQ(BoxesSinceMark(),
                  (Texts{kDeleteAllConfirm, kDeleteConfirm, L"Mac 삭제 완료3", L"Read Completed!!!"}));
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 0);
    });
    EXPECT_NE(apsim.Command("list").back().find("ok 0"), std::string::npos);
}

TEST_F(MacFilterOpsTest, EntriesPast255AreDeletedAsThemselves) {
    // 258 entries; only entry 257 is ticked. Taken as one byte it would name entry 1.
    for (int i = 0; i < 258; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "add 02:00:00:00:%02X:%02X", i >> 8, i & 0xFF);
        ASSERT_TRUE(apsim.Ok(line));
    }
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        ASSERT_EQ(d.m_pCheckList->GetCount(nullptr), 258);
        d.m_pCheckList->SetCheck(257, 1);
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff1 02 00 00 00 01 01\r", "w fff3 \r"}));
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 257);
    });
    const Lines log = apsim.Commands();
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("w fff1", 0) == 0; }),
        1);
}

TEST_F(MacFilterOpsTest, HiddenSendersAndTheTestButton) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // "Test": the count, then each row's check state.
        d.m_pCheckList->SetCheck(1, 1);
        Mark();
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_TEST), BM_CLICK, 0, 0);
        EXPECT_EQ(BoxesSinceMark(),
                  (Texts{L"GetCount = 3", L"GetCheck(0) = 0", L"GetCheck(1) = 1", L"GetCheck(2) = 0"}));

        // Before each command that is sent a message is posted to the dialog.
        Mark();
        d.PostMark();
        Click(d, IDC_MAC_FILTER_ON);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : 701 filter on"));
        d.PostMark();
        Click(d, IDC_MAC_FILTER_OFF);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : 701 filter off"));
        d.PostMark();
        Click(d, IDC_APPLY);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        d.PostMark();
        Click(d, IDC_CLOSE_SOCKET);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);

        // "Write MAC to AP": the VCI's MAC alone, the pending value untouched; a short text sends nothing.
        SetVciMac(d, L"0A0B0C0D0E0F");
        d.PostMark();
        Click(d, IDC_WRITE_MAC_TO_AP);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        SetVciMac(d, L"0A0B0C");
        Click(d, IDC_WRITE_MAC_TO_AP);

        // "Delete AP's MAC": nothing without a selected entry of the hidden list box; with one, that entry.
        Click(d, IDC_DELETE_AP_MAC);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdDeleteMac);
        d.m_ListApMac.SetSel(2, TRUE);
        d.PostMark();
        Click(d, IDC_DELETE_AP_MAC);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 00\r", "w fff5 01\r", "w fff6 \r", "w fff4 \r",
                                          "w fff0 0a 0b 0c 0d 0e 0f\r", "w fff1 02 00 00 00 00 02\r"}));
        PumpFor(300);

        // Filter-on goes out at once, every other a second after its press; the waits dispatch
        // nothing, so each posted message is handled only once its command has gone out.
        const std::vector<SendTiming> sends = SendTimingsSinceMark();
        ASSERT_GE(sends.size(), 6u);
        ASSERT_EQ(d.marksHandled.size(), 6u);
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(sends[i].pause >= kWaitMs, i > 0) << i << ": " << sends[i].pause;
            EXPECT_GE(d.marksHandled[i], sends[i].at) << i;
        }
    });
    EXPECT_EQ(apsim.Command("list").back(), "ok 3"); // the write added one, the delete took one
}

TEST_F(MacFilterOpsTest, WithoutAConnectionSendersOnlySaySo) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_ListApMac.AddString(L"02 00 00 00 00 00");
        d.m_pCheckList->AddItem(L"02 00 00 00 00 00", nullptr, 1, -1, 0, 0, 0);
        SetVciMac(d, L"001A2B3C4D5E");
        for (int id : {IDC_ADD_MAC_TO_AP, IDC_MAC_FILTER_ON, IDC_MAC_FILTER_OFF, IDC_APPLY, IDC_CLOSE_SOCKET,
                       IDC_WRITE_MAC_TO_AP, IDC_DELETE_AP_MAC})
            Click(d, id);
        EXPECT_EQ(boxes.Texts(), Texts(7, kNotConnected));

        // 1022: the filter command cannot go out, so neither does the apply, and nothing is complete.
        Mark();
        Click(d, IDC_MAC_FILTER_SETTING);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kNotConnected}));

        // 1018 asks first and finds no socket only when it is about to send.
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, kNotConnected}));

        // 1002 empties both lists before it finds no socket.
        Mark();
        Click(d, IDC_REFRESH_AP_LIST);
        EXPECT_EQ(BoxesSinceMark(), Texts{kNotConnected});
        EXPECT_EQ(d.m_ListApMac.GetCount(), 0);
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 0);

        Mark();
        Click(d, IDC_TEST);
        EXPECT_EQ(BoxesSinceMark(), Texts{L"GetCount = 0"});
    });
    EXPECT_TRUE(traces.Sent().empty());
}

TEST_F(MacFilterOpsTest, ASendErrorIsShownTwice) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        // Our own end shut for sending: the next send fails with WSAESHUTDOWN.
        ASSERT_EQ(::shutdown(d.m_pClientSock->m_hSocket, SD_SEND), 0);
        Mark();
        d.m_ApConversation.BeginAutoSetting();
        Click(d, IDC_MAC_FILTER_ON);
        // The AP may notice the shut side and close while a box is open; that box may come in between.
        Texts shown;
        for (const CString& t : BoxesSinceMark())
            if (t != CString(L"AP와 연결이 끊어 졌습니다.")) shown.push_back(t);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0], CString(L"TCP 전송 에러. Error code : 10058"));
        EXPECT_EQ(shown[1].Find(L"TCP 전송 에러. Error code : "), 0);
        // A send error ends an automatic configuration, which must not report success later.
        EXPECT_EQ(d.m_bAutoSetting, 0);
        // 1022 after a failed send reports no setting.
        Mark();
        Click(d, IDC_MAC_FILTER_SETTING);
        EXPECT_EQ(boxes.Count(L"설정 완료"), 0);
        EXPECT_FALSE(BoxesSinceMark().empty());
        PumpFor(300);
    });
    EXPECT_TRUE(traces.Has(Cp949("TCP 전송 에러. Error code : 10058")));
}

// While a box of an operation is open, the buttons that start operations are disabled, and a click that
// reaches the dialog all the same (queued before, or posted) is refused: no operation starts inside another.
TEST_F(MacFilterOpsTest, ClicksWhileAnOperationPumpsAreRefused) {
    CProbeDlg dlg;
    bool disabledInsideTheBox = false;
    DWORD postedAt = 0;
    boxes.rule = [&](const BoxSeen& b) {
        if (b.text != CString(L"Mac 등록 실패")) return 0;
        if (!postedAt) {
            postedAt = ::GetTickCount();
            disabledInsideTheBox = !::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_AUTO_SETTING)) &&
                                   !::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_REFRESH_AP_LIST));
            for (int id : {IDC_AUTO_SETTING, IDC_REFRESH_AP_LIST, IDC_ADD_MAC_TO_AP})
                ::PostMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, id)));
        }
        // Open a while: the box's own loop takes the clicks.
        return ::GetTickCount() - postedAt < 300 ? BoxRecorder::kKeepOpen : 0;
    };
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        ASSERT_TRUE(apsim.Ok("refuse 1"));
        d.m_strPcMac = L"021122334455";
        Mark();
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 등록 실패"));
        PumpFor(1500); // a click that ran would have sent its command by now
        EXPECT_TRUE(disabledInsideTheBox);
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d.m_hWnd, IDC_AUTO_SETTING)));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 02 11 22 33 44 55\r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 실패"}));
        EXPECT_EQ(traces.CountStarting("COrvaneDlg: click on "), 3u);
    });
}

} // namespace
