// The MAC filter buttons under Wine against apsim: add, delete ticked or all, filter and apply, the
// hidden senders, Test, automatic configuration (also after a cancelled connect), and send errors.
#include "cp949.h"
#include "ClientSock.h"
#include "ap_test_support.h"
#include "check_list.h"
#include "fake_adapters.h"

namespace {

using namespace aptest;

const wchar_t* const kNotConnected = L"AP에 연결되어 있지 않습니다.";
const wchar_t* const kVciAbsent = L"PC와 VCI가 연결되지 않았습니다. USB 연결을 확인하여 주십시오.";
const wchar_t* const kDeleteConfirm = L"선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?";
const wchar_t* const kDeleteAllConfirm = L"모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?";
const wchar_t* const kSelectOne = L"최소한 하나 이상 선택하셔야 합니다.";

using Texts = std::vector<CString>;
using Lines = std::vector<std::string>;

class MacFilterOpsTest : public ApsimTest {
  protected:
    // What the dialog sent and showed from now on.
    void Mark() {
        m_sentMark = traces.Sent().size();
        m_boxMark = boxes.boxes.size();
    }
    Lines SentSinceMark() const {
        const Lines all = traces.Sent();
        return Lines(all.begin() + static_cast<std::ptrdiff_t>(m_sentMark), all.end());
    }
    Texts BoxesSinceMark() const {
        const Texts all = boxes.Texts();
        return Texts(all.begin() + static_cast<std::ptrdiff_t>(m_boxMark), all.end());
    }
    size_t Reads() const {
        size_t n = 0;
        for (const std::string& l : traces.Lines())
            n += l.rfind("COrvaneDlg::OnReceiveTCP : ", 0) == 0;
        return n;
    }
    // Waits for the next read of the socket, then a little longer for anything that follows it.
    bool WaitForRead(size_t readsBefore) {
        const bool read = PumpUntil([&] { return Reads() > readsBefore; });
        PumpFor(300);
        return read;
    }
    std::vector<CString> Rows(CApProbeDlg& d) {
        std::vector<CString> rows;
        for (int i = 0; i < d.m_pCheckList->GetCount(nullptr); ++i) {
            CString text;
            d.m_pCheckList->GetItemText(i, text);
            rows.push_back(text);
        }
        return rows;
    }
    void AddToAp(std::initializer_list<const char*> macs) {
        for (const char* mac : macs)
            ASSERT_TRUE(apsim.Ok(std::string("add ") + mac));
    }
    // As an earlier VCI read leaves it: in the member and in the hidden edit that mirrors it.
    static void SetVciMac(CApProbeDlg& d, const wchar_t* text) {
        d.m_strVciMac = text;
        d.SetDlgItemText(IDC_VCI_MAC_EDIT, text);
    }

    size_t m_sentMark = 0;
    size_t m_boxMark = 0;
};

TEST_F(MacFilterOpsTest, AddRegistersTheVciThenThePcAndReadsTheListBack) {
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // Both MACs: the VCI's first, the PC's on its acceptance, then the list.
        Mark();
        SetVciMac(d, L"001A2B3C4D5E");
        d.m_strPcMac = L"021122334455";
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_ADD_MAC_TO_AP), BM_CLICK, 0, 0);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(SentSinceMark(),
                  (Lines{"w fff0 00 1a 2b 3c 4d 5e\r", "w fff0 02 11 22 33 44 55\r", "w fff3 \r"}));
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
        EXPECT_EQ(d.m_nApCommand, ApCmdAddMac);
        EXPECT_EQ(d.m_bPcMacStep, 1);

        // Neither: nothing is sent and nothing is shown; the add stays pending.
        Mark();
        SetVciMac(d, L"");
        Click(d, IDC_ADD_MAC_TO_AP);
        PumpFor(100);
        EXPECT_TRUE(SentSinceMark().empty());
        EXPECT_TRUE(BoxesSinceMark().empty());
        EXPECT_EQ(d.m_nApCommand, ApCmdAddMac);

        // A MAC text that is not twelve hexadecimal digits is never sent: a short VCI text counts as
        // none, and a VCI text with a stray letter gives way to the PC's MAC.
        Mark();
        SetVciMac(d, L"12345");
        Click(d, IDC_ADD_MAC_TO_AP);
        PumpFor(100);
        EXPECT_TRUE(SentSinceMark().empty());
        SetVciMac(d, L"001A2B3C4D5G");
        d.m_strPcMac = L"021122334455";
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 4));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 02 11 22 33 44 55\r", "w fff3 \r"}));
    });
}

TEST_F(MacFilterOpsTest, RefusalsAndUnexpectedRepliesEndTheRun) {
    AddToAp({"02:11:22:33:44:55", "00:1A:2B:3C:4D:5E"});
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        d.m_strPcMac = L"ACDE48001122";

        // Refused: shown even during automatic configuration, and nothing follows.
        Mark();
        d.m_bAutoSetting = 1;
        ASSERT_TRUE(apsim.Ok("refuse 1"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 등록 실패"));
        PumpFor(300);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff0 ac de 48 00 11 22\r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 실패"}));
        EXPECT_EQ(d.m_nApCommand, ApCmdAddMac);
        d.m_bAutoSetting = 0;

        // Anything else is shown with the text received; two characters are not a status.
        ASSERT_TRUE(apsim.Ok("garbage 1 oops"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 등록 에러인데 멀까? : oops"));
        ASSERT_TRUE(apsim.Ok("garbage 1 70"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Mac 등록 에러인데 멀까? : 70"));
        // Only the first three characters count.
        Mark();
        ASSERT_TRUE(apsim.Ok("garbage 1 701 but more"));
        Click(d, IDC_ADD_MAC_TO_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(BoxesSinceMark(), (Texts{L"Mac 등록 완료", L"Read Completed!!!"}));

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
        EXPECT_EQ(d.m_nApCommand, ApCmdDeleteMac);

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
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        d.m_pCheckList->SetCheck(0, 1);
        d.m_pCheckList->SetCheck(2, 1);
        Mark();
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_DELETE_SELECTED_MAC), BM_CLICK, 0, 0);
        EXPECT_EQ(d.m_nListCount, 3);
        EXPECT_EQ(d.m_nDeleteIndex, 1);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(SentSinceMark(),
                  (Lines{"w fff1 02 00 00 00 00 00\r", "w fff1 02 00 00 00 00 02\r", "w fff3 \r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, L"Mac 삭제 완료3", L"Read Completed!!!"}));
        EXPECT_EQ(Rows(d), std::vector<CString>{L"02 00 00 00 00 01"});
    });
    ASSERT_GE(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].caption, CString(L"AP MAC Setting"));
    EXPECT_EQ(boxes.boxes[1].type & 0xF, static_cast<UINT>(MB_YESNO));
}

TEST_F(MacFilterOpsTest, DeleteOfTheFirstOfThreeEndsWhenNoTickIsLeft) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        d.m_pCheckList->SetCheck(0, 1);
        Mark();
        Click(d, IDC_DELETE_SELECTED_MAC);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff1 02 00 00 00 00 00\r", "w fff3 \r"}));
        EXPECT_EQ(BoxesSinceMark(), (Texts{kDeleteConfirm, L"삭제 완료2", L"Read Completed!!!"}));
        EXPECT_EQ(Rows(d), (std::vector<CString>{L"02 00 00 00 00 01", L"02 00 00 00 00 02"}));
    });
}

TEST_F(MacFilterOpsTest, DeleteWithNothingTickedOrNothingListed) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
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
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
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
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
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

// The PC's wireless adapter as the automatic configuration finds it.
std::vector<FakeAdapter> PcAdapters() {
    return {{"Realtek PCIe GbE Family Controller", {0x00, 0xE0, 0x4C, 0x00, 0x00, 0x01}, false, ""},
            {"Intel(R) Wireless-AC 9560", {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}, true, "192.168.10.1"}};
}

// The AP's side of a complete automatic configuration, as apsim logs it.
const Lines kAutoCommands = {"w fff5 00", "w fff0 00 1a 2b 3c 4d 5e", "w fff0 02 11 22 33 44 55", "w fff3 ",
                             "w fff6 "};

TEST_F(MacFilterOpsTest, FilterSettingFollowsTheRadiosAndAutomaticConfigurationTurnsItOn) {
    FakeAdapterSource adapters(PcAdapters());
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // "Disable" then "MAC Filter 설정": off, then apply; the AP's answers are only traced.
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_FILTER_DISABLE), BM_CLICK, 0, 0);
        EXPECT_EQ(d.m_bMacFilterEnable, 0);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILTER_ENABLE), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILTER_DISABLE), static_cast<UINT>(BST_CHECKED));
        Mark();
        Click(d, IDC_MAC_FILTER_SETTING);
        EXPECT_EQ(d.m_nApCommand, ApCmdNone);
        PumpFor(300);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 01\r", "w fff6 \r"}));
        EXPECT_EQ(BoxesSinceMark(), Texts{L"설정 완료"});
        EXPECT_TRUE(traces.Has("COrvaneDlg::OnReceiveTCP : 701 filter off"));

        // Automatic configuration while connected ticks "Enable" again and runs to its end.
        ASSERT_TRUE(apsim.Ok("reset"));
        ASSERT_TRUE(apsim.Ok("clear"));
        ASSERT_TRUE(apsim.Ok("delay 300"));
        SetVciMac(d, L"001A2B3C4D5E");
        Mark();
        Click(d, IDC_AUTO_SETTING);
        EXPECT_EQ(d.m_bMacFilterEnable, 1);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILTER_ENABLE), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILTER_DISABLE), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(d.m_bAutoSetting, 1);
        ASSERT_TRUE(boxes.WaitFor(L"자동 설정 완료", 1, 15000));
        EXPECT_EQ(d.m_bAutoSetting, 0);
        EXPECT_EQ(d.m_nApCommand, ApCmdNone);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kVciAbsent, L"자동 설정 완료"}));
        EXPECT_EQ(Rows(d), (std::vector<CString>{L"00 1A 2B 3C 4D 5E", L"02 11 22 33 44 55"}));

        // The radios alone send nothing.
        Mark();
        Click(d, IDC_FILTER_DISABLE);
        Click(d, IDC_FILTER_ENABLE);
        EXPECT_EQ(d.m_bMacFilterEnable, 1);
        EXPECT_TRUE(SentSinceMark().empty());
    });
    EXPECT_EQ(apsim.Commands(), kAutoCommands);
}

TEST_F(MacFilterOpsTest, AutomaticConfigurationConnectsFirstAndRunsToItsEnd) {
    FakeAdapterSource adapters(PcAdapters());
    ASSERT_TRUE(apsim.Ok("delay 300"));
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        d.m_strApAddress = apsim.Address();
        SetVciMac(d, L"001A2B3C4D5E");
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_AUTO_SETTING), BM_CLICK, 0, 0);
        // Only the connect has started.
        EXPECT_EQ(d.m_bAutoSetting, 1);
        EXPECT_NE(d.m_pClientSock, nullptr);
        EXPECT_TRUE(traces.Sent().empty());
        ASSERT_TRUE(boxes.WaitFor(L"자동 설정 완료", 1, 15000));
        EXPECT_EQ(d.m_bAutoSetting, 0);
        EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기   021122334455"));
        EXPECT_EQ(d.m_strPcMac, CString(L"021122334455"));
    });
    EXPECT_EQ(boxes.Texts(), (Texts{kVciAbsent, L"자동 설정 완료"}));
    EXPECT_EQ(apsim.Commands(), kAutoCommands);
    // The session's trace holds exactly the command texts, in order.
    EXPECT_EQ(traces.Sent(), (Lines{"w fff5 00\r", "w fff0 00 1a 2b 3c 4d 5e\r", "w fff0 02 11 22 33 44 55\r",
                                    "w fff3 \r", "w fff6 \r"}));
}

TEST_F(MacFilterOpsTest, AutomaticConfigurationCancelledAtTheFailureBoxResumesOnALaterConnect) {
    FakeAdapterSource adapters(PcAdapters());
    ASSERT_TRUE(apsim.Ok("delay 300"));
    RefusingEndpoint refusing;
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        SetVciMac(d, L"001A2B3C4D5E");
        d.m_strApAddress = refusing.Address();
        Click(d, IDC_AUTO_SETTING);
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && boxes.boxes.back().closed; }));
        EXPECT_EQ(boxes.boxes.back().type & 0xF, static_cast<UINT>(MB_RETRYCANCEL));
        PumpFor(100);
        EXPECT_EQ(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_bAutoSetting, 1);

        // Button 1006 later: the connect notification carries the configuration on, no list first.
        d.m_strApAddress = apsim.Address();
        Click(d, IDC_CONNECT_AP);
        ASSERT_TRUE(boxes.WaitFor(L"자동 설정 완료", 1, 15000));
        EXPECT_EQ(d.m_bAutoSetting, 0);
    });
    EXPECT_EQ(apsim.Commands(), kAutoCommands);
    EXPECT_EQ(boxes.Count(L"Read Completed!!!"), 0);
    EXPECT_EQ(boxes.Count(L"Mac 등록 완료"), 0);
}

TEST_F(MacFilterOpsTest, HiddenSendersAndTheTestButton) {
    AddToAp({"02:00:00:00:00:00", "02:00:00:00:00:01", "02:00:00:00:00:02"});
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // "Test": the count, then each row's check state.
        d.m_pCheckList->SetCheck(1, 1);
        Mark();
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_TEST), BM_CLICK, 0, 0);
        EXPECT_EQ(BoxesSinceMark(),
                  (Texts{L"GetCount = 3", L"GetCheck(0) = 0", L"GetCheck(1) = 1", L"GetCheck(2) = 0"}));

        Mark();
        Click(d, IDC_MAC_FILTER_ON);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : 701 filter on"));
        Click(d, IDC_MAC_FILTER_OFF);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : 701 filter off"));
        Click(d, IDC_APPLY);
        EXPECT_EQ(d.m_nApCommand, ApCmdNone);
        d.m_nApCommand = ApCmdReadList;
        Click(d, IDC_CLOSE_SOCKET);
        EXPECT_EQ(d.m_nApCommand, ApCmdNone);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 00\r", "w fff5 01\r", "w fff6 \r", "w fff4 \r"}));

        // "Write MAC to AP": the VCI's MAC alone, the pending value untouched; a short text sends nothing.
        Mark();
        d.m_nApCommand = ApCmdNone;
        SetVciMac(d, L"0A0B0C0D0E0F");
        Click(d, IDC_WRITE_MAC_TO_AP);
        EXPECT_EQ(d.m_nApCommand, ApCmdNone);
        SetVciMac(d, L"0A0B0C");
        Click(d, IDC_WRITE_MAC_TO_AP);
        EXPECT_EQ(SentSinceMark(), Lines{"w fff0 0a 0b 0c 0d 0e 0f\r"});

        // "Delete AP's MAC": nothing without a selected entry of the hidden list box; with one, that entry.
        Mark();
        Click(d, IDC_DELETE_AP_MAC);
        EXPECT_EQ(d.m_nApCommand, ApCmdDeleteMac);
        EXPECT_TRUE(SentSinceMark().empty());
        d.m_ListApMac.SetSel(2, TRUE);
        Click(d, IDC_DELETE_AP_MAC);
        EXPECT_EQ(SentSinceMark(), Lines{"w fff1 02 00 00 00 00 02\r"});
        PumpFor(300);
    });
    EXPECT_EQ(apsim.Command("list").back(), "ok 3"); // the write added one, the delete took one
}

TEST_F(MacFilterOpsTest, WithoutAConnectionSendersOnlySaySo) {
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        d.m_ListApMac.AddString(L"02 00 00 00 00 00");
        d.m_pCheckList->AddItem(L"02 00 00 00 00 00", nullptr, 1, -1, 0, 0, 0);
        SetVciMac(d, L"001A2B3C4D5E");
        for (int id : {IDC_ADD_MAC_TO_AP, IDC_MAC_FILTER_ON, IDC_MAC_FILTER_OFF, IDC_APPLY, IDC_CLOSE_SOCKET,
                       IDC_WRITE_MAC_TO_AP, IDC_DELETE_AP_MAC})
            Click(d, id);
        EXPECT_EQ(boxes.Texts(), Texts(7, kNotConnected));

        // 1022 still reports its setting after the two refusals of its senders.
        Mark();
        Click(d, IDC_MAC_FILTER_SETTING);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kNotConnected, kNotConnected, L"설정 완료"}));

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
    CApProbeDlg dlg;
    RunDialog(dlg, [&](CApProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        // Our own end shut for sending: the next send fails with WSAESHUTDOWN.
        ASSERT_EQ(::shutdown(d.m_pClientSock->m_hSocket, SD_SEND), 0);
        Mark();
        Click(d, IDC_MAC_FILTER_ON);
        // The AP may notice the shut side and close while a box is open; that box may come in between.
        Texts shown;
        for (const CString& t : BoxesSinceMark())
            if (t != CString(L"AP와 연결이 끊어 졌습니다.")) shown.push_back(t);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0], CString(L"TCP 전송 에러. Error code : 10058"));
        EXPECT_EQ(shown[1].Find(L"TCP 전송 에러. Error code : "), 0);
        PumpFor(300);
    });
    EXPECT_TRUE(traces.Has(Cp949("TCP 전송 에러. Error code : 10058")));
}

} // namespace
