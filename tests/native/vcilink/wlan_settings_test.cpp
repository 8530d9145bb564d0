// Tests of the WLAN configuration requests and the bounded decoding of setting replies.
#include "vcilink/core/wlan_settings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

using namespace vcilink;

using Bytes = std::vector<uint8_t>;

namespace {

// A setting reply as the VCI frames it: DataLength, ID, four bytes, then the text. `claimed` overrides
// DataLength.
Bytes Reply(const std::string& text, int claimed = -1) {
    const size_t length = claimed >= 0 ? static_cast<size_t>(claimed) : 8 + text.size();
    Bytes r{static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0x01, 0x21, 0, 0, 0, 0};
    r.insert(r.end(), text.begin(), text.end());
    return r;
}

WlanSettingRecord Filled(uint8_t b) {
    WlanSettingRecord rec;
    std::memset(&rec, b, sizeof rec);
    return rec;
}

// Bytes of the record that differ from `before`.
std::vector<size_t> Changed(const WlanSettingRecord& before, const WlanSettingRecord& after) {
    std::vector<size_t> at;
    for (size_t i = 0; i < sizeof before; ++i)
        if (reinterpret_cast<const uint8_t*>(&before)[i] != reinterpret_cast<const uint8_t*>(&after)[i])
            at.push_back(i);
    return at;
}

constexpr size_t kNoField = SIZE_MAX;
#define AT(member) offsetof(WlanSettingRecord, member)

// The setting table as the VCI's documentation gives it, with each read request's checksum worked out
// by hand (0x0B + 0x01 + 0x21 + both offset bytes + length), the record member each reply fills and how
// many numbers its value carries.
struct Setting {
    int type;
    const char* name;
    uint16_t offset;
    uint8_t length;
    uint16_t checksum;
    size_t field;
    int numbers;
};
constexpr Setting kSettings[] = {
    {1, "WLAN_SET_MAC_ADDRESS ", 0x24, 6, 0x0057, AT(MacAddress), 6},
    {2, "WLAN_SET_NET_OPTION ", 0x40, 2, 0x006F, AT(NetOption), 2},
    {3, "WLAN_SET_PAD ", 0x42, 2, 0x0071, AT(Pad), 2},
    {4, "WLAN_SET_LOCAL_IP ", 0x44, 4, 0x0075, AT(LocalIp), 4},
    {5, "WLAN_SET_NET_MASK ", 0x48, 4, 0x0079, AT(NetMask), 4},
    {6, "WLAN_SET_GATEWAY ", 0x4C, 4, 0x007D, AT(Gateway), 4},
    {7, "WLAN_SET_PASSWORD ", 0x68, 12, 0x00A1, AT(Password), 12},
    {8, "WLAN_SET_OPTION ", 0x74, 2, 0x00A3, AT(Option), 2},
    {9, "WLAN_SET_BAUDRATE ", 0x78, 4, 0x00A9, AT(BaudRate), 4},
    {10, "WLAN_SET_TIMEOUT ", 0x7C, 2, 0x00AB, AT(Timeout), 2},
    {11, "WLAN_SET_MUX ", 0x7E, 1, 0x00AC, AT(Mux), 1},
    {12, "WLAN_SET_WATER_MARK ", 0x80, 2, 0x00AF, AT(WaterMark), 2},
    {13, "WLAN_SET_REMOTE_IP ", 0x84, 4, 0x00B5, AT(RemoteIp), 4},
    {14, "WLAN_SET_REMOTE_PORT ", 0x88, 2, 0x00B7, AT(RemotePort), 2},
    {15, "WLAN_SET_LOCAL_PORT ", 0x8A, 2, 0x00B9, AT(LocalPort), 2},
    {16, "WLAN_SET_WLAN ", 0xA0, 2, 0x00CF, AT(Wlan), 2},
    {17, "WLAN_SET_TARGET_SSID ", 0xB0, 32, 0x00FD, AT(TargetSsid), 32},
    {18, "WLAN_SET_CREATE_SSID ", 0xD0, 32, 0x011D, AT(CreateSsid), 32}, // the sum carries into its high byte
    {19, "WLAN_SET_64WEB_ID ", 0xF0, 24, 0x0135, AT(WebId64), 5},
    {20, "WLAN_SET_126WEBID", 0x108, 56, 0x006E, AT(WebId126), 13},
    {21, "WLAN_SET_ARP", 0x40, 1, 0x006E, kNoField, 1},
};

#undef AT

} // namespace

TEST(WlanRequests, AreByteExact) {
    const auto enter = BuildEnterWlanConfig();
    EXPECT_EQ(Bytes(enter.begin(), enter.end()), (Bytes{0x08, 0x00, 0x00, 0x21, 0x00, 0x00, 0x29, 0x00}));
    const auto leave = BuildLeaveWlanConfig();
    EXPECT_EQ(Bytes(leave.begin(), leave.end()), (Bytes{0x08, 0x00, 0x02, 0x21, 0x00, 0x00, 0x2B, 0x00}));
    std::array<uint8_t, kWlanReadRequestLength> read{};
    for (const Setting& s : kSettings) {
        ASSERT_TRUE(BuildReadWlanSetting(s.type, read)) << s.type;
        Bytes expected{0x0B, 0x00, 0x01, 0x21, 0x00, 0x00, 0, 0, 0, 0, s.length};
        expected[6] = static_cast<uint8_t>(s.checksum), expected[7] = static_cast<uint8_t>(s.checksum >> 8);
        expected[8] = static_cast<uint8_t>(s.offset), expected[9] = static_cast<uint8_t>(s.offset >> 8);
        EXPECT_EQ(Bytes(read.begin(), read.end()), expected) << "type " << s.type;
    }
    EXPECT_FALSE(BuildReadWlanSetting(0, read));
    EXPECT_FALSE(BuildReadWlanSetting(22, read));
}

TEST(WlanSettingTable, NamesAndOffsets) {
    ASSERT_EQ(WlanSettingTable().size(), std::size(kSettings));
    for (const Setting& s : kSettings) {
        const WlanSettingType* t = FindWlanSettingType(s.type);
        ASSERT_NE(t, nullptr) << s.type;
        EXPECT_EQ(t->type, s.type);
        EXPECT_STREQ(t->name, s.name);
        EXPECT_EQ(t->offset, s.offset) << s.name;
        EXPECT_EQ(t->length, s.length) << s.name;
    }
    EXPECT_EQ(FindWlanSettingType(0), nullptr);
    EXPECT_EQ(FindWlanSettingType(22), nullptr);
}

TEST(WlanReply, MacReadGivesTextAndTheSevenBytes) {
    WlanSettingRecord rec{};
    EXPECT_EQ(ParseWlanSettingReply(1, Reply("OK\r\nMAC\r\n00 1A 2B 3C 4D 5E"), rec), 6);
    EXPECT_EQ(VciMacText(rec), "001A2B3C4D5E");
    uint8_t mac[7];
    std::memset(mac, 0xEE, sizeof mac);
    CopyVciMacAddress(rec, mac);
    EXPECT_EQ(Bytes(mac, mac + 7), (Bytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x00}));
}

TEST(WlanReply, MalformedRepliesChangeOnlyWhatTheyCarry) {
    const WlanSettingRecord before = Filled(0x5A);
    WlanSettingRecord rec = before;
    EXPECT_EQ(ParseWlanSettingReply(1, Reply("only one\r\n00 11 22 33 44 55"), rec), 0);
    EXPECT_EQ(ParseWlanSettingReply(1, Reply("a\r\nb\r\n00 11 22", 7), rec), 0); // DataLength below 8
    // DataLength beyond what arrived, no terminating zero: only received bytes are read.
    EXPECT_EQ(ParseWlanSettingReply(1, Reply("a\r\nb\r\n01 02 0", 400), rec), 3);
    EXPECT_EQ(Changed(before, rec), (std::vector<size_t>{0, 1, 2}));
    rec = before;
    EXPECT_EQ(ParseWlanSettingReply(1, Reply("a\r\nb\r\n0a zz 03"), rec), 1); // stops at the first non-number
    EXPECT_EQ(ParseWlanSettingReply(1, Reply(std::string("a\r\nb\r\n07 \0 08", 13)), rec), 1);
    EXPECT_EQ(ParseWlanSettingReply(1, Reply("a\r\nb\r\n" + std::string(999, ' ') + "01"), rec), 0);
    EXPECT_EQ(rec.MacAddress[0], 0x07);
    EXPECT_EQ(Changed(before, rec), std::vector<size_t>{0});
    EXPECT_EQ(ParseWlanSettingReply(22, Reply("a\r\nb\r\n01"), rec), -1);
}

TEST(WlanReply, EachTypeWritesOnlyItsOwnField) {
    // Numbers 01, 02, ... so that a field filled out of order or from the wrong place shows.
    std::string value;
    for (int i = 1; i <= 40; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", i);
        value += pair;
    }
    for (const Setting& s : kSettings) {
        WlanSettingRecord rec = Filled(0xEE);
        EXPECT_EQ(ParseWlanSettingReply(s.type, Reply("x\r\ny\r\n" + value), rec), s.numbers) << s.type;
        WlanSettingRecord expected = Filled(0xEE);
        if (s.field != kNoField)
            for (int i = 0; i < s.numbers; ++i)
                reinterpret_cast<uint8_t*>(&expected)[s.field + i] = static_cast<uint8_t>(i + 1);
        EXPECT_EQ(Changed(expected, rec), std::vector<size_t>{}) << s.name;
    }
}

TEST(WlanReply, NumbersFillWideFieldsLowestFirst) {
    WlanSettingRecord rec = Filled(0);
    rec.Timeout = 0xBEEF;
    ParseWlanSettingReply(9, Reply("x\r\ny\r\n00 C2 01 00"), rec);
    ParseWlanSettingReply(10, Reply("x\r\ny\r\n34"), rec); // the missing high byte stays
    EXPECT_EQ(rec.BaudRate, 115200u);
    EXPECT_EQ(rec.Timeout, 0xBE34);
}
