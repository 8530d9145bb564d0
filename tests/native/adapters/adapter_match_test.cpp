// Tests of the wireless keyword test and the walk over an adapter record chain.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "adapters/core/adapter_match.h"

using namespace adapters;

namespace {

// The fields the walk reads, laid out as in the system's adapter record.
struct FakeAdapter {
    FakeAdapter* Next = nullptr;
    char Description[132] = {};
    unsigned char Address[8] = {};
    unsigned Type = 0;
};

constexpr unsigned kEthernet = 6;

std::vector<FakeAdapter> Chain(const std::vector<std::string>& descriptions,
                               const std::vector<unsigned>& types = {}) {
    std::vector<FakeAdapter> chain(descriptions.size());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        std::strncpy(chain[i].Description, descriptions[i].c_str(), sizeof chain[i].Description - 1);
        chain[i].Type = i < types.size() ? types[i] : kEthernet;
        chain[i].Address[5] = static_cast<unsigned char>(i);
        if (i + 1 < chain.size()) chain[i].Next = &chain[i + 1];
    }
    return chain;
}

} // namespace

TEST(WirelessKeywords, MatchInAnyLetterCase) {
    EXPECT_TRUE(IsWirelessDescription("Intel(R) Wireless-AC 9560 160MHz"));
    EXPECT_TRUE(IsWirelessDescription("some wireless adapter"));
    EXPECT_TRUE(IsWirelessDescription("WiReLeSs"));
    EXPECT_TRUE(IsWirelessDescription("Realtek 8821CE WiFi"));
    EXPECT_TRUE(IsWirelessDescription("wifi0"));
    EXPECT_TRUE(IsWirelessDescription("Ralink RT3290 802.11bgn"));
    EXPECT_TRUE(IsWirelessDescription("Qualcomm Atheros AR9485"));
    EXPECT_TRUE(IsWirelessDescription("Acrowave USB"));
    EXPECT_TRUE(IsWirelessDescription("rt2500 usb"));
}

TEST(WirelessKeywords, DotAfter802IsEnough) {
    EXPECT_TRUE(IsWirelessDescription("USB 802.11n adapter"));
    // Wired, but says "802.": the keyword test cannot tell.
    EXPECT_TRUE(IsWirelessDescription("IEEE 802.3 Ethernet"));
    EXPECT_FALSE(IsWirelessDescription("802 without a dot"));
}

TEST(WirelessKeywords, NoKeywordNoMatch) {
    EXPECT_FALSE(IsWirelessDescription(""));
    EXPECT_FALSE(IsWirelessDescription("eth0"));
    EXPECT_FALSE(IsWirelessDescription("Realtek PCIe GbE Family Controller"));
    // Wireless, but named without any of the keywords.
    EXPECT_FALSE(IsWirelessDescription("Intel Wi-Fi 6 AX201"));
    EXPECT_FALSE(IsWirelessDescription("WLAN USB stick"));
}

TEST(WirelessKeywords, FirstKeywordInTableOrder) {
    EXPECT_EQ(FindWirelessKeyword("Intel PRO/Wireless 3945ABG"), 0);
    EXPECT_EQ(FindWirelessKeyword("WiFi 802.11 wireless"), 3);
    EXPECT_EQ(FindWirelessKeyword("x wifi"), 7);
    EXPECT_EQ(FindWirelessKeyword("lo"), -1);
}

TEST(AdapterWalk, WiredFirstWirelessSecond) {
    auto chain = Chain({"Realtek PCIe GbE", "Intel Wireless-N", "Atheros WiFi"});
    std::vector<const FakeAdapter*> visited;
    const FakeAdapter* found =
        FindWirelessRecord(chain.data(), [&](const FakeAdapter& a) { visited.push_back(&a); });
    EXPECT_EQ(found, &chain[1]);
    // Each record up to the hit is visited once, in list order; none after it.
    EXPECT_EQ(visited, (std::vector<const FakeAdapter*>{&chain[0], &chain[1]}));
}

TEST(AdapterWalk, NoMatchGivesNothingNotTheLastRecord) {
    auto chain = Chain({"eth0", "lo", "docker0"});
    int visits = 0;
    EXPECT_EQ(FindWirelessRecord(chain.data(), [&](const FakeAdapter&) { ++visits; }), nullptr);
    EXPECT_EQ(visits, 3);
    EXPECT_EQ(FindWirelessRecord<FakeAdapter>(nullptr), nullptr);
}

TEST(AdapterWalk, DescriptionWithoutNulStaysInItsArray) {
    auto chain = Chain({""});
    std::memset(chain[0].Description, 'x', sizeof chain[0].Description);
    EXPECT_EQ(DescriptionOf(chain[0]).size(), sizeof chain[0].Description);
    EXPECT_EQ(FindWirelessRecord(chain.data()), nullptr);
    std::memcpy(chain[0].Description + sizeof chain[0].Description - 4, "WIFI", 4);
    EXPECT_EQ(FindWirelessRecord(chain.data()), &chain[0]);
}

TEST(AdapterWalk, LoopedChainEnds) {
    auto chain = Chain({"eth0", "eth1"});
    chain[1].Next = &chain[0];
    std::size_t visits = 0;
    EXPECT_EQ(FindWirelessRecord(chain.data(), [&](const FakeAdapter&) { ++visits; }), nullptr);
    EXPECT_EQ(visits, kMaxAdapterRecords);
}

TEST(AdapterWalk, TodaysWiFiAdaptersAreFoundByTypeOrNameButNeverAVirtualOne) {
    // As Windows lists them: its Wi-Fi Direct adapter first, then the real one, both of type 71. No
    // keyword names either.
    auto windows = Chain({"Microsoft Wi-Fi Direct Virtual Adapter", "Intel(R) Wi-Fi 6 AX201 160MHz"},
                         {kIfTypeIeee80211, kIfTypeIeee80211});
    EXPECT_EQ(FindWirelessRecord(windows.data()), nullptr);
    EXPECT_EQ(FindWirelessRecordByTypeOrName(windows.data()), &windows[1]);

    // By the name alone after a wired adapter, by the type alone, and "Wi-Fi" as a Linux interface name.
    auto named = Chain({"Realtek PCIe GbE Family Controller", "Intel(R) Wi-Fi 6E AX211 160MHz"});
    EXPECT_EQ(FindWirelessRecordByTypeOrName(named.data()), &named[1]);
    auto typed = Chain({"Intel(R) Ethernet I219-V", "Qualcomm FastConnect 7800", "Intel(R) Wi-Fi 7 BE200"},
                       {kEthernet, kIfTypeIeee80211, kIfTypeIeee80211});
    EXPECT_EQ(FindWirelessRecordByTypeOrName(typed.data()), &typed[1]);
    auto linuxNames = Chain({"lo", "Wi-Fi"});
    EXPECT_EQ(FindWirelessRecordByTypeOrName(linuxNames.data()), &linuxNames[1]);

    // Only a virtual adapter is wireless, or nothing is: none.
    auto virtualOnly = Chain({"Realtek PCIe GbE Family Controller", "Microsoft Wi-Fi Direct Virtual Adapter"},
                             {kEthernet, kIfTypeIeee80211});
    EXPECT_EQ(FindWirelessRecordByTypeOrName(virtualOnly.data()), nullptr);
    auto wired = Chain({"eth0", "Hyper-V Virtual Ethernet Adapter"});
    EXPECT_EQ(FindWirelessRecordByTypeOrName(wired.data()), nullptr);
}
