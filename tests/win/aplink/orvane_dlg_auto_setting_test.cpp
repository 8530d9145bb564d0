// Automatic configuration under Wine against apsim: the filter choice it overrides, a run that connects
// first, and one that resumes on a later connect after the failure box was cancelled.
#include "tests/win/adapters/fake_adapters.h"
#include "tests/win/aplink/mac_filter_test_support.h"

namespace {

using namespace wintest;

// The same fixture as the other MAC filter buttons: automatic configuration drives them all.
class AutoSettingTest : public MacFilterOpsTest {};

// The PC's wireless adapter as the automatic configuration finds it.
std::vector<FakeAdapter> PcAdapters() {
    return {{"Realtek PCIe GbE Family Controller", {0x00, 0xE0, 0x4C, 0x00, 0x00, 0x01}, false, ""},
            {"Intel(R) Wireless-AC 9560", {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}, true, "192.168.10.1"}};
}

// The AP's side of a complete automatic configuration, as apsim logs it.
const Lines kAutoCommands = {"w fff5 00", "w fff0 00 1a 2b 3c 4d 5e", "w fff0 02 11 22 33 44 55", "w fff3 ",
                             "w fff6 "};
// The same without a VCI on the cable: a MAC read earlier is not this run's.
const Lines kAutoCommandsPcOnly = {"w fff5 00", "w fff0 02 11 22 33 44 55", "w fff3 ", "w fff6 "};

TEST_F(AutoSettingTest, FilterSettingFollowsTheRadiosAndAutomaticConfigurationTurnsItOn) {
    FakeAdapterSource adapters(PcAdapters());
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));

        // "Disable" then "MAC Filter 설정": off, and once the AP has accepted it, apply.
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_FILTER_DISABLE), BM_CLICK, 0, 0);
        EXPECT_EQ(d.m_bMacFilterEnable, 0);
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILTER_ENABLE), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_FILTER_DISABLE), static_cast<UINT>(BST_CHECKED));
        Mark();
        Click(d, IDC_MAC_FILTER_SETTING);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 01\r"}));
        ASSERT_TRUE(boxes.WaitFor(L"설정 완료"));
        EXPECT_TRUE(traces.Has("COrvaneDlg::OnReceiveTCP : 701 filter off"));
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        PumpFor(300);
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 01\r", "w fff6 \r"}));
        EXPECT_EQ(BoxesSinceMark(), Texts{L"설정 완료"});

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
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        EXPECT_EQ(BoxesSinceMark(), (Texts{kVciAbsent, L"자동 설정 완료"}));
        EXPECT_EQ(Rows(d), (std::vector<CString>{L"02 11 22 33 44 55"}));
        EXPECT_TRUE(d.m_strVciMac.IsEmpty());

        // The radios alone send nothing.
        Mark();
        Click(d, IDC_FILTER_DISABLE);
        Click(d, IDC_FILTER_ENABLE);
        EXPECT_EQ(d.m_bMacFilterEnable, 1);
        EXPECT_TRUE(SentSinceMark().empty());
    });
    EXPECT_EQ(apsim.Commands(), kAutoCommandsPcOnly);
}

TEST_F(AutoSettingTest, AutomaticConfigurationConnectsFirstAndRunsToItsEnd) {
    FakeAdapterSource adapters(PcAdapters());
    ASSERT_TRUE(apsim.Ok("delay 300"));
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = apsim.Address();
        SetVciMac(d, L"001A2B3C4D5E");
        // A message posted as the filter command goes out is handled only after the first add.
        traces.onLine = [&](const std::string& l) {
            if (l == "COrvaneDlg::SendDataToAP : w fff5 00\r") d.PostMark();
        };
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_AUTO_SETTING), BM_CLICK, 0, 0);
        // Only the connect has started.
        EXPECT_EQ(d.m_bAutoSetting, 1);
        EXPECT_NE(d.m_pClientSock, nullptr);
        EXPECT_TRUE(traces.Sent().empty());
        ASSERT_TRUE(boxes.WaitFor(L"자동 설정 완료", 1, 15000));
        traces.onLine = nullptr;
        EXPECT_EQ(d.m_bAutoSetting, 0);
        // Two seconds after the filter command, then the add's own second; a second before the rest.
        const std::vector<SendTiming> sends = SendTimingsSinceMark();
        ASSERT_EQ(sends.size(), 4u);
        EXPECT_GE(sends[1].pause, aplink::kAutoFilterWaitMs + kWaitMs);
        for (size_t i = 2; i < sends.size(); ++i)
            EXPECT_GE(sends[i].pause, kWaitMs) << i;
        ASSERT_EQ(d.marksHandled.size(), 1u);
        EXPECT_GE(d.marksHandled[0], sends[1].at);
        EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기   021122334455"));
        EXPECT_EQ(d.m_strPcMac, CString(L"021122334455"));
    });
    EXPECT_EQ(boxes.Texts(), (Texts{kVciAbsent, L"자동 설정 완료"}));
    EXPECT_EQ(apsim.Commands(), kAutoCommandsPcOnly);
    // The session's trace holds exactly the command texts, in order.
    EXPECT_EQ(traces.Sent(), (Lines{"w fff5 00\r", "w fff0 02 11 22 33 44 55\r", "w fff3 \r", "w fff6 \r"}));
}

TEST_F(AutoSettingTest, CancelAtTheFailureBoxEndsTheRunAndALaterConnectReadsTheList) {
    FakeAdapterSource adapters(PcAdapters());
    ASSERT_TRUE(apsim.Ok("delay 300"));
    const auto refusing = ApEndpoint(false);
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        SetVciMac(d, L"001A2B3C4D5E");
        d.m_strApAddress = refusing->Address();
        Click(d, IDC_AUTO_SETTING);
        ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && boxes.boxes.back().closed; }));
        EXPECT_EQ(boxes.boxes.back().type & 0xF, static_cast<UINT>(MB_RETRYCANCEL));
        PumpFor(100);
        EXPECT_EQ(d.m_pClientSock, nullptr);
        EXPECT_EQ(d.m_bAutoSetting, 0);

        // Button 1006 later: a plain connect, which reads the list and sends nothing else.
        d.m_strApAddress = apsim.Address();
        Click(d, IDC_CONNECT_AP);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 1, 15000));
        PumpFor(300);
    });
    EXPECT_EQ(apsim.Commands(), (Lines{"w fff3 "}));
    EXPECT_EQ(boxes.Count(L"자동 설정 완료"), 0);
}

TEST_F(AutoSettingTest, AConfigurationThatStopsEndsAndLaterReportsNoSuccess) {
    FakeAdapterSource wiredOnly({PcAdapters()[0]});
    const CString noPcMac = L"PC MAC Address를 찾을 수 없습니다.";
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        ASSERT_TRUE(apsim.Ok("reset"));
        // Answers a little late: the filter's answer is read on its own, as the VCI's acceptance, and
        // the VCI's own answer comes while the box is open; it is only traced.
        ASSERT_TRUE(apsim.Ok("delay 300"));

        // No PC MAC, and a VCI MAC read earlier is not this run's: with the VCI absent the run has no MAC
        // at all. The user is told and sees the AP's list, nothing is applied, and the configuration is over.
        SetVciMac(d, L"001A2B3C4D5E");
        Mark();
        Click(d, IDC_AUTO_SETTING);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2, 15000));
        EXPECT_EQ(BoxesSinceMark(), (Texts{kVciAbsent, noPcMac, L"Read Completed!!!"}));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 00\r", "w fff3 \r"}));
        EXPECT_EQ(d.m_bAutoSetting, 0);
        EXPECT_TRUE(d.m_strVciMac.IsEmpty());

        // Neither MAC (an all-zero one is none): found at once, before any add.
        SetVciMac(d, L"000000000000");
        Mark();
        Click(d, IDC_AUTO_SETTING);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 3, 15000));
        EXPECT_EQ(BoxesSinceMark(), (Texts{kVciAbsent, noPcMac, L"Read Completed!!!"}));
        EXPECT_EQ(SentSinceMark(), (Lines{"w fff5 00\r", "w fff3 \r"}));
        EXPECT_EQ(d.m_bAutoSetting, 0);

        // The apply command cannot go out at the end of the list: its send error, and no success.
        FakeAdapterSource adapters(PcAdapters());
        SetVciMac(d, L"");
        traces.onLine = [&](const std::string& l) {
            if (l.rfind("COrvaneDlg::OnReceiveTCP : 701LIST", 0) == 0)
                ::shutdown(d.m_pClientSock->m_hSocket, SD_SEND);
        };
        Mark();
        Click(d, IDC_AUTO_SETTING);
        ASSERT_TRUE(boxes.WaitFor(L"TCP 전송 에러. Error code : 10058", 1, 15000));
        PumpFor(300);
        traces.onLine = nullptr;
        EXPECT_EQ(d.m_bAutoSetting, 0);
        EXPECT_EQ(boxes.Count(L"자동 설정 완료"), 0);
    });
    const Lines log = apsim.Commands();
    EXPECT_EQ(std::count(log.begin(), log.end(), "w fff6 "), 0);
}

TEST_F(AutoSettingTest, ARunThatCannotFinishEndsAndTheNextListReadIsAPlainOne) {
    FakeAdapterSource adapters(PcAdapters());
    // The test's AP: once the commands of a step have arrived, it sends that step's answers.
    struct Ending {
        std::vector<std::pair<std::string, std::string>> steps;
        Texts boxes; // those the run shows after the VCI's
    };
    const Ending endings[] = {
        // The filter command refused: no add, no apply.
        {{{"w fff5 00\r", "200"}}, {L"응답 : 200"}},
        // The add refused after the filter's acceptance.
        {{{"w fff5 00\r", "701 filter on"}, {"w fff0 02 11 22 33 44 55\r", "200"}}, {L"Mac 등록 실패"}},
        // The list request answered with no list: the run is over, and says why.
        {{{"w fff5 00\r", "701 filter on"}, {"w fff0 02 11 22 33 44 55\r", "701"}, {"w fff3 \r", "200"}},
         {L"응답 : 200"}},
    };
    for (const Ending& ending : endings) {
        const auto ap = ApEndpoint();
        ASSERT_TRUE(ap);
        Mark();
        CProbeDlg dlg;
        RunDialog(dlg, [&](CProbeDlg& d) {
            d.m_strApAddress = ap->Address();
            SetVciMac(d, L"001A2B3C4D5E");
            Click(d, IDC_AUTO_SETTING);
            ASSERT_TRUE(ap->Accept());
            for (const auto& [expected, answers] : ending.steps) {
                ASSERT_TRUE(Receives(*ap, expected));
                ap->SendText(answers);
            }
            PumpFor(300);
            EXPECT_EQ(d.m_bAutoSetting, 0);

            Click(d, IDC_REFRESH_AP_LIST);
            ASSERT_TRUE(Receives(*ap, "w fff3 \r"));
            ap->SendText(ListAnswer({"00 1A 2B 3C 4D 5E"}));
            ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!"));
            PumpFor(1300); // an apply would follow its wait of a second
        });
        Texts expected = {kVciAbsent};
        expected.insert(expected.end(), ending.boxes.begin(), ending.boxes.end());
        expected.push_back(L"Read Completed!!!");
        EXPECT_EQ(BoxesSinceMark(), expected);
        EXPECT_EQ(ap->ReceiveText(0), "");
    }
}

TEST_F(AutoSettingTest, EachAnswerIsTakenForItsOwnCommandHoweverTheReadsCutThem) {
    FakeAdapterSource adapters(PcAdapters());
    const auto ap = ApEndpoint(); // the test answers as the AP, when it chooses
    ASSERT_TRUE(ap);
    const Lines commands = {"w fff5 00\r", "w fff0 02 11 22 33 44 55\r", "w fff3 \r", "w fff6 \r"};
    const std::string list2 = ListAnswer({"00 1A 2B 3C 4D 5E", "02 11 22 33 44 55"});
    const std::string list3 = ListAnswer({"00 1A 2B 3C 4D 5E", "02 11 22 33 44 55", "AC DE 48 00 11 22"});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strApAddress = ap->Address();
        SetVciMac(d, L"001A2B3C4D5E");
        // One automatic configuration (the first one connects): once the commands of a step have arrived,
        // the test's AP sends that step's answers.
        const auto run = [&](const std::vector<std::pair<std::string, std::string>>& steps, int runs) {
            Mark();
            Click(d, IDC_AUTO_SETTING);
            ASSERT_TRUE(runs > 1 || ap->Accept());
            for (const auto& [expected, answers] : steps) {
                ASSERT_TRUE(Receives(*ap, expected));
                ap->SendText(answers);
            }
            ASSERT_TRUE(Receives(*ap, commands[3]));
            ASSERT_TRUE(boxes.WaitFor(L"자동 설정 완료", runs));
            EXPECT_EQ(SentSinceMark(), commands);
        };
        // The filter's answer is awaited before the add (the VCI on the cable is absent: the PC's alone).
        run({{commands[0], "701 filter on"}, {commands[1], "701"}, {commands[2], list2}}, 1);
        EXPECT_EQ(Rows(d), (std::vector<CString>{L"00 1A 2B 3C 4D 5E", L"02 11 22 33 44 55"}));

        // A filter answer cut by the network is one answer: its rest, come after the add went out, is not the
        // add's answer. A repeated "701" read together with the list makes no row.
        run({{commands[0], "701 filter "}, {commands[1], "on701"}, {commands[2], "701" + list3}}, 2);
        EXPECT_EQ(Rows(d),
                  (std::vector<CString>{L"00 1A 2B 3C 4D 5E", L"02 11 22 33 44 55", L"AC DE 48 00 11 22"}));
        EXPECT_EQ(ListBoxLines(d.m_ListApMac), Rows(d));
    });
    EXPECT_EQ(boxes.Texts(), (Texts{kVciAbsent, L"자동 설정 완료", kVciAbsent, L"자동 설정 완료"}));
}

} // namespace
