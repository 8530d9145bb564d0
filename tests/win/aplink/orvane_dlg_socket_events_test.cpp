// The dialog's AP protocol under Wine: the command bytes its builders write, and the reply handler
// reading apsim's list, cut entries, full reads and text that looks like a format.
#include <cstring>

#include "tests/win/aplink/ap_test_support.h"
#include "checklist/check_list.h"

namespace {

using namespace wintest;

class ApProtocolTest : public ApsimTest {};

std::string Command(const char (&buffer)[1000]) {
    return std::string(buffer, ::strnlen(buffer, sizeof buffer));
}

bool ZeroFrom(const char (&buffer)[1000], size_t from) {
    for (size_t i = from; i < sizeof buffer; ++i)
        if (buffer[i] != 0) return false;
    return true;
}

void AddRow(COrvaneDlg& d, const wchar_t* text) {
    d.m_ListApMac.AddString(text);
    d.m_pCheckList->AddItem(text, nullptr, 0, -1, 0, 0, 0);
}

TEST(ApCommandBuilders, WriteExactCommandsIntoAZeroedBuffer) {
    ASSERT_TRUE(AfxSocketInit());
    TraceRecorder traces;
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        char buffer[1000];
        const uint8_t mac[7] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x77};
        std::memcpy(d.m_MacAddress, mac, sizeof mac);
        std::memset(buffer, 0x55, sizeof buffer);
        d.MakeMacDataToAdd(buffer);
        EXPECT_EQ(Command(buffer), "w fff0 00 1a 2b 3c 4d 5e\r");
        EXPECT_TRUE(ZeroFrom(buffer, 25));

        std::memset(buffer, 0x55, sizeof buffer);
        d.MakeMacDataToRead(7, buffer);
        EXPECT_EQ(Command(buffer), "w fff3 \r");
        EXPECT_TRUE(ZeroFrom(buffer, 8));

        // The check-list's text wins over the hidden list box's; past the check-list, the list box's.
        d.m_ListApMac.AddString(L"AA BB CC DD EE FF");
        d.m_ListApMac.AddString(L"AA BB CC DD EE 01");
        d.m_pCheckList->AddItem(L"00 11 22 33 44 55", nullptr, 0, -1, 0, 0, 0);
        d.MakeMacDataToDelete(0, buffer);
        EXPECT_EQ(Command(buffer), "w fff1 00 11 22 33 44 55\r");
        EXPECT_TRUE(traces.Has("COrvaneDlg::MakeMacDataToDelete:00 11 22 33 44 55"));
        d.MakeMacDataToDelete(1, buffer);
        EXPECT_EQ(Command(buffer), "w fff1 AA BB CC DD EE 01\r");

        // Entries past 255 are addressed as themselves, not modulo 256.
        d.m_ListApMac.ResetContent();
        d.m_pCheckList->DeleteAllItems();
        for (int i = 0; i < 300; ++i) {
            CString text;
            text.Format(L"02 00 00 00 %02X %02X", i >> 8, i & 0xFF);
            AddRow(d, text);
        }
        d.MakeMacDataToDelete(257, buffer);
        EXPECT_EQ(Command(buffer), "w fff1 02 00 00 00 01 01\r");
    });

    EXPECT_EQ(COrvaneDlg::HexToByte('5', 'e'), 0x5E);
    EXPECT_EQ(COrvaneDlg::HexToByte('A', 'f'), 0xAF);
    EXPECT_EQ(COrvaneDlg::HexToByte('0', '0'), 0x00);
    // A character that is not a hexadecimal digit contributes nothing, whichever place it has.
    EXPECT_EQ(COrvaneDlg::HexToByte('G', '5'), 0x05);
    EXPECT_EQ(COrvaneDlg::HexToByte('5', 'G'), 0x50);
    EXPECT_EQ(COrvaneDlg::HexToByte('\xC0', ' '), 0x00);
}

TEST_F(ApProtocolTest, AListReadFillsBothListsInOrder) {
    for (const char* mac : {"02:11:22:33:44:55", "00:1A:2B:3C:4D:5E", "AC:DE:48:00:11:22"})
        ASSERT_TRUE(apsim.Ok(std::string("add ") + mac));
    const std::vector<CString> expected = {L"02 11 22 33 44 55", L"00 1A 2B 3C 4D 5E", L"AC DE 48 00 11 22"};
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        EXPECT_EQ(ListBoxLines(d.m_ListApMac), expected);
        ASSERT_EQ(d.m_pCheckList->GetCount(nullptr), 3);
        for (int i = 0; i < 3; ++i) {
            CString text;
            EXPECT_EQ(d.m_pCheckList->GetItemText(i, text), 0);
            EXPECT_EQ(text, expected[static_cast<size_t>(i)]);
            EXPECT_EQ(d.m_pCheckList->GetCheck(i), 0);
        }
        // The pending value stays with the list after its end.
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdReadList);

        // Button 1002 empties both lists and reads again.
        ASSERT_TRUE(apsim.Ok("clear"));
        Click(d, IDC_REFRESH_AP_LIST);
        EXPECT_EQ(d.m_ListApMac.GetCount(), 0);
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 0);
        ASSERT_TRUE(boxes.WaitFor(L"Read Completed!!!", 2));
        EXPECT_EQ(d.m_ListApMac.GetCount(), 0);
    });
    EXPECT_TRUE(traces.Has("COrvaneDlg::OnReceiveTCP : 701LIST02 11 22 33 44 55701LIST00 1A 2B 3C 4D 5E"
                           "701LISTAC DE 48 00 11 22701LIST00 00 00 00 00 00"));
    for (const char* entry : {"02 11 22 33 44 55", "00 1A 2B 3C 4D 5E", "AC DE 48 00 11 22"})
        EXPECT_TRUE(traces.Has(entry)) << entry;
    EXPECT_EQ(traces.Sent(), (std::vector<std::string>{"w fff3 \r", "w fff3 \r"}));
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"Read Completed!!!", L"Read Completed!!!"}));
}

// Entry i's text is "02 00 00 00 HH LL"; the list has 130 of them (3144 bytes with the end entry).
CString EntryText(int i) {
    CString text;
    text.Format(L"02 00 00 00 %02X %02X", i >> 8, i & 0xFF);
    return text;
}

TEST_F(ApProtocolTest, EntriesCutByReadsAreJoinedAndFullReadsStayWithinTheBytesReceived) {
    for (int i = 0; i < 130; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "add 02:00:00:00:%02X:%02X", i >> 8, i & 0xFF);
        ASSERT_TRUE(apsim.Ok(line));
    }
    // The answer leaves in two segments: 10 bytes, then 3134 bytes of which one read takes 3000.
    ASSERT_TRUE(apsim.Ok("split 10"));
    ASSERT_TRUE(apsim.Ok("split-gap 150"));
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        const std::vector<CString> rows = ListBoxLines(d.m_ListApMac);
        ASSERT_EQ(rows.size(), 130u);
        // The first read ends inside entry 0 and the full second read inside entry 125: each entry is
        // whole, its rest taken from the next read.
        for (int i = 0; i < 130; ++i)
            EXPECT_EQ(rows[static_cast<size_t>(i)], EntryText(i)) << i;
        EXPECT_EQ(d.m_pCheckList->GetCount(nullptr), 130);
    });
    // The full read is traced whole and ends where the received bytes end.
    const std::string prefix = "COrvaneDlg::OnReceiveTCP : ";
    size_t fullReads = 0;
    for (const std::string& line : traces.Lines()) {
        if (line.rfind(prefix, 0) != 0) continue;
        EXPECT_LE(line.size(), prefix.size() + 3000);
        if (line.size() == prefix.size() + 3000) {
            ++fullReads;
            EXPECT_EQ(line.substr(line.size() - 10), "701LIST02 ");
        }
    }
    EXPECT_EQ(fullReads, 1u);
    EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"Read Completed!!!"});
}

TEST_F(ApProtocolTest, RepliesAreShownAndTracedAsData) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ASSERT_TRUE(ConnectAndReadList(d));
        // The hidden "MAC Filter 사용" button: its answer is shown whole.
        Click(d, IDC_MAC_FILTER_ON);
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdSetFilter);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : 701 filter on"));

        // Text that looks like a format is only data.
        ASSERT_TRUE(apsim.Ok("garbage 1 %s%n%d%x"));
        Click(d, IDC_MAC_FILTER_ON);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : %s%n%d%x"));
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdSetFilter);

        // An AP that answers in the users' code page: "한글" in 949 shows as Hangul.
        ASSERT_TRUE(apsim.Ok("garbage 1 \xC7\xD1\xB1\xDB"));
        Click(d, IDC_MAC_FILTER_ON);
        ASSERT_TRUE(boxes.WaitFor(L"응답 : 한글"));

        // Nothing pending when the reply is read: it is only traced.
        const size_t shown = boxes.boxes.size();
        const auto reads = [&] { return traces.CountStarting("COrvaneDlg::OnReceiveTCP : "); };
        const size_t before = reads();
        Click(d, IDC_MAC_FILTER_ON);
        d.m_ApConversation.OnClosed(); // as after a lost connection: the reply, read later, is owed to nobody
        ASSERT_TRUE(PumpUntil([&] { return reads() > before; }));
        PumpFor(100);
        EXPECT_EQ(boxes.boxes.size(), shown);
    });
    EXPECT_TRUE(traces.Has("COrvaneDlg::OnReceiveTCP : %s%n%d%x"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::OnReceiveTCP : \xC7\xD1\xB1\xDB")); // the bytes as they came
    EXPECT_EQ(traces.Sent(), (std::vector<std::string>{"w fff3 \r", "w fff5 00\r", "w fff5 00\r",
                                                       "w fff5 00\r", "w fff5 00\r"}));
}

} // namespace
