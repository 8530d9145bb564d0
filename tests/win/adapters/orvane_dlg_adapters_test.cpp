// The dialog's PC wireless adapter discovery under Wine: the walk over hand-built record chains, the two
// adapter-list queries, and the caption of button 1019.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/afxmem.h"
#include "tests/win/adapters/fake_adapters.h"
#include "tests/win/support/probe_dialog.h"
#include "tests/win/support/recorders.h"
#include "resources/resource.h"

namespace {

using namespace wintest;

using Chain = std::vector<IP_ADAPTER_INFO>;

Chain MakeChain(const std::vector<FakeAdapter>& adapters) {
    Chain chain(adapters.size());
    FillAdapterRecords(adapters, chain.data());
    return chain;
}

class AdapterDiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(AfxSocketInit()); }

    BoxRecorder boxes;
    TraceRecorder traces;
};

const FakeAdapter kWired = {
    "Realtek PCIe GbE Family Controller", {0x00, 0xE0, 0x4C, 0x68, 0x00, 0x01}, true, "192.168.0.1"};
const FakeAdapter kWireless = {
    "Intel(R) Wireless-AC 9560 160MHz", {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}, false, ""};
const FakeAdapter kWifiDongle = {"TP-Link WiFi USB", {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}, false, ""};
const FakeAdapter kBluetooth = {"Bluetooth Device (Personal Area Network)", {0xAA, 0, 0, 0, 0, 1}, false, ""};

TEST_F(AdapterDiscoveryTest, TheWalkTakesTheFirstWirelessAdapterAfterAWiredOne) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        Chain chain = MakeChain({kWired, kWireless, kWifiDongle});
        d.FindWirelessAdapter(chain.data());
        EXPECT_EQ(d.m_strPcMac, CString(L"021122334455"));
    });
    EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"Read Completed"});
    // Both examined records are traced, the one after the match is not.
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : 00:E0:4C:68:00:01\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : 00E04C680001\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : 02:11:22:33:44:55\r\n"));
    EXPECT_FALSE(traces.Has("COrvaneDlg::FindWirelessAdapter : 0A:0B:0C:0D:0E:0F\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter DHCP : 192.168.0.1\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter DHCP : N/A\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : INTEL(R) WIRELESS-AC 9560 160MHZ\r\n"));
}

TEST_F(AdapterDiscoveryTest, WithoutAWirelessAdapterNoMacIsKept) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.m_strPcMac = L"0123456789AB";
        Chain chain = MakeChain({kWired, kBluetooth});
        d.FindWirelessAdapter(chain.data());
        // Not the last wired adapter's MAC: that one must never be registered at the AP.
        EXPECT_TRUE(d.m_strPcMac.IsEmpty());
    });
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : AA:00:00:00:00:01\r\n"));
}

TEST_F(AdapterDiscoveryTest, TodaysLaptopWiFiIsTakenWhenNoKeywordNamesIt) {
    const FakeAdapter direct = {"Microsoft Wi-Fi Direct Virtual Adapter",
                                {0x12, 0x11, 0x22, 0x33, 0x44, 0x55},
                                false,
                                "",
                                IF_TYPE_IEEE80211};
    const FakeAdapter ax201 = {
        "Intel(R) Wi-Fi 6 AX201 160MHz", {0x10, 0x11, 0x22, 0x33, 0x44, 0x55}, false, "", IF_TYPE_IEEE80211};
    const FakeAdapter ax211 = {
        "Intel(R) Wi-Fi 6E AX211 160MHz", {0x20, 0x21, 0x22, 0x23, 0x24, 0x25}, false, "", MIB_IF_TYPE_OTHER};
    CProbeDlg dlg;
    CString windowsOrder, wiredFirst, virtualOnly;
    RunDialog(dlg, [&](CProbeDlg& d) {
        // As Windows lists them: the virtual adapter first. Every record is examined (and traced) by the
        // keyword walk before the second look takes the real one.
        Chain chain = MakeChain({direct, ax201});
        d.FindWirelessAdapter(chain.data());
        windowsOrder = d.m_strPcMac;
        chain = MakeChain({kWired, ax211});
        d.FindWirelessAdapter(chain.data());
        wiredFirst = d.m_strPcMac;
        chain = MakeChain({kWired, direct});
        d.FindWirelessAdapter(chain.data());
        virtualOnly = d.m_strPcMac;
    });
    EXPECT_EQ(windowsOrder, CString(L"101122334455"));
    EXPECT_EQ(wiredFirst, CString(L"202122232425"));
    EXPECT_TRUE(virtualOnly.IsEmpty());
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"Read Completed", L"Read Completed"}));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : MICROSOFT WI-FI DIRECT VIRTUAL ADAPTER\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : 10:11:22:33:44:55\r\n"));
    EXPECT_TRUE(traces.Has("COrvaneDlg::FindWirelessAdapter : INTEL(R) WI-FI 6E AX211 160MHZ\r\n"));
}

TEST_F(AdapterDiscoveryTest, KeywordsMatchInAnyCaseAndAutomaticConfigurationStaysQuiet) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        struct Case {
            const char* description;
            bool wireless;
        } cases[] = {{"qualcomm atheros ar9485", true},
                     {"Generic 802.11ac adapter", true},
                     {"Ralink RT2500 PCI", true},
                     {"acrowave dongle", true},
                     {"wifi0", true},
                     {"eth0", false},
                     {"Intel PRO/1000", false},
                     {"Wirel ess", false}};
        for (const Case& c : cases) {
            Chain chain = MakeChain({{c.description, {0x00, 0x00, 0x00, 0x00, 0x00, 0x07}, false, ""}});
            d.FindWirelessAdapter(chain.data());
            EXPECT_EQ(!d.m_strPcMac.IsEmpty(), c.wireless) << c.description;
        }
        boxes.Clear();
        d.m_ApConversation.BeginAutoSetting();
        Chain chain = MakeChain({kWired, kWifiDongle});
        d.FindWirelessAdapter(chain.data());
        EXPECT_EQ(d.m_strPcMac, CString(L"0A0B0C0D0E0F"));
        EXPECT_TRUE(boxes.boxes.empty());
    });
}

TEST_F(AdapterDiscoveryTest, DamagedRecordsAreReadWithinTheirBounds) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        // A description that fills its whole field without a terminating zero, the keyword at its end.
        Chain chain = MakeChain({kWired});
        std::memset(chain[0].Description, 'x', sizeof chain[0].Description);
        std::memcpy(chain[0].Description + sizeof chain[0].Description - 4, "WIFI", 4);
        std::memset(chain[0].DhcpServer.IpAddress.String, '9', sizeof chain[0].DhcpServer.IpAddress.String);
        d.FindWirelessAdapter(chain.data());
        EXPECT_EQ(d.m_strPcMac, CString(L"00E04C680001"));

        // A chain that loops back on itself ends after a bounded walk, with nothing found.
        Chain loop = MakeChain({kWired, kBluetooth});
        loop[1].Next = &loop[0];
        d.FindWirelessAdapter(loop.data());
        EXPECT_TRUE(d.m_strPcMac.IsEmpty());
    });
}

TEST_F(AdapterDiscoveryTest, Button1019AsksTheListTwiceAndShowsTheMacInItsCaption) {
    FakeAdapterSource source(
        {kWired, {"Killer Wireless-n/a/ac 1535", {0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C}, false, ""}});
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        ::SendMessageW(::GetDlgItem(d.m_hWnd, IDC_READ_PC_MAC_ADDRESS), BM_CLICK, 0, 0);
        EXPECT_EQ(d.m_strPcMac, CString(L"000A000B000C")); // leading zeros kept
        EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기   000A000B000C"));
    });
    EXPECT_EQ(g_fakeAdapters.firstCalls, 1u);
    EXPECT_EQ(g_fakeAdapters.secondCalls, 1u);
    EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"Read Completed"});
    const std::string size = std::to_string(2 * sizeof(IP_ADAPTER_INFO));
    const std::vector<std::string> expected = {
        "COrvaneDlg::GetMacAddress start \r\n",
        "COrvaneDlg::GetMacAddres GetAdaptersInfo1 = 111 (111), size " + size,
        "COrvaneDlg::GetMacAddres GetAdaptersInfo2 = 0 (111), size " + size,
    };
    const auto lines = traces.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), expected);
    EXPECT_EQ(lines.back(), "COrvaneDlg::GetMacAddress end \r\n");
}

TEST_F(AdapterDiscoveryTest, WithoutAnAdapterListTheCaptionStaysPlain) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        {
            // No adapters at all: the first query does not ask for a buffer.
            FakeAdapterSource none({});
            d.m_strPcMac = L"0123456789AB";
            Click(d, IDC_READ_PC_MAC_ADDRESS);
            EXPECT_TRUE(d.m_strPcMac.IsEmpty());
            EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기"));
            EXPECT_EQ(g_fakeAdapters.secondCalls, 0u);
        }
        {
            // The second query fails: no record is examined.
            FakeAdapterSource failing({kWireless});
            g_fakeAdapters.failSecondCall = true;
            Click(d, IDC_READ_PC_MAC_ADDRESS);
            EXPECT_TRUE(d.m_strPcMac.IsEmpty());
            EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기"));
        }
        {
            // No memory for the records: the box says so, the list is not asked again, no MAC.
            FakeAdapterSource noMemory({kWireless});
            AfxFailNextAllocations(1);
            Click(d, IDC_READ_PC_MAC_ADDRESS);
            AfxFailNextAllocations(0);
            EXPECT_TRUE(d.m_strPcMac.IsEmpty());
            EXPECT_EQ(g_fakeAdapters.secondCalls, 0u);
            EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기"));
        }
        {
            // The hidden button 1007 reads the MAC but leaves every caption alone.
            FakeAdapterSource one({kWireless});
            Click(d, IDC_READ_PC_MAC);
            EXPECT_EQ(d.m_strPcMac, CString(L"021122334455"));
            EXPECT_EQ(ItemText(d, IDC_READ_PC_MAC_ADDRESS), CString(L"PC MAC Address  읽기"));
        }
    });
    EXPECT_EQ(boxes.Texts(), (std::vector<CString>{L"PIP_ADAPTER_INFO is pinfo", L"Read Completed"}));
    EXPECT_TRUE(traces.Has("COrvaneDlg::GetMacAddres GetAdaptersInfo1 = 232 (111), size 0"));
    // Only the press of 1007 examined a record; the failed second query examined none.
    EXPECT_EQ(traces.CountStarting("COrvaneDlg::FindWirelessAdapter : 02:11:22:33:44:55"), 1u);
}

TEST_F(AdapterDiscoveryTest, TheSystemListIsReadWithoutHarm) {
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        d.GetMacAddress();
        // Wine lists the machine's interfaces; whatever it finds is twelve digits or nothing.
        EXPECT_TRUE(d.m_strPcMac.IsEmpty() || d.m_strPcMac.GetLength() == 12);
    });
    EXPECT_TRUE(traces.Has("COrvaneDlg::GetMacAddress end \r\n"));
}

} // namespace
