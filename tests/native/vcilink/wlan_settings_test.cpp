// Tests of the WLAN configuration requests and the bounded decoding of setting replies.
#include "wlan_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

} // namespace

TEST(WlanRequests, AreByteExact) {
    const auto enter = BuildEnterWlanConfig();
    EXPECT_EQ(Bytes(enter.begin(), enter.end()), (Bytes{0x08, 0x00, 0x00, 0x21, 0x00, 0x00, 0x29, 0x00}));
    const auto leave = BuildLeaveWlanConfig();
    EXPECT_EQ(Bytes(leave.begin(), leave.end()), (Bytes{0x08, 0x00, 0x02, 0x21, 0x00, 0x00, 0x2B, 0x00}));
    std::array<uint8_t, kWlanReadRequestLength> read{};
    ASSERT_TRUE(BuildReadWlanSetting(1, read));
    EXPECT_EQ(Bytes(read.begin(), read.end()),
              (Bytes{0x0B, 0x00, 0x01, 0x21, 0x00, 0x00, 0x57, 0x00, 0x24, 0x00, 0x06}));
    ASSERT_TRUE(BuildReadWlanSetting(20, read)); // offset above 255: both bytes, and in the sum
    EXPECT_EQ(read[8], 0x08);
    EXPECT_EQ(read[9], 0x01);
    EXPECT_EQ(read[6], 0x0B + 0x01 + 0x21 + 0x08 + 0x01 + 56);
    EXPECT_FALSE(BuildReadWlanSetting(0, read));
    EXPECT_FALSE(BuildReadWlanSetting(22, read));
}

TEST(WlanSettingTable, NamesAndOffsets) {
    ASSERT_EQ(WlanSettingTable().size(), 21u);
    for (const auto& t : WlanSettingTable()) {
        const std::string name = t.name;
        EXPECT_EQ(name.back() == ' ', t.type <= 19) << name;
    }
    EXPECT_STREQ(FindWlanSettingType(1)->name, "WLAN_SET_MAC_ADDRESS ");
    EXPECT_EQ(FindWlanSettingType(21)->offset, 0x40);
    EXPECT_EQ(FindWlanSettingType(19)->length, 24);
    EXPECT_EQ(FindWlanSettingType(0), nullptr);
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
    for (const auto& t : WlanSettingTable()) {
        const WlanSettingRecord before = Filled(0x5A);
        WlanSettingRecord rec = before;
        std::string value;
        for (int i = 0; i < 40; ++i)
            value += "A5 ";
        EXPECT_EQ(ParseWlanSettingReply(t.type, Reply("x\r\ny\r\n" + value), rec), t.numbers) << t.type;
        std::vector<size_t> expected;
        if (t.kind != WlanFieldKind::None)
            for (size_t i = 0; i < t.numbers; ++i)
                expected.push_back(t.fieldOffset + i);
        EXPECT_EQ(Changed(before, rec), expected) << t.type;
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
