// Tests of the MAC text forms: hexadecimal conversion, validation and formatting.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "common/core/mac_text.h"

using namespace common;

TEST(HexToByte, EveryByteInBothCases) {
    for (int v = 0; v < 256; ++v) {
        char upper[3], lower[3];
        std::snprintf(upper, sizeof upper, "%02X", v);
        std::snprintf(lower, sizeof lower, "%02x", v);
        EXPECT_EQ(HexToByte(upper[0], upper[1]), v) << upper;
        EXPECT_EQ(HexToByte(lower[0], lower[1]), v) << lower;
        EXPECT_EQ(HexToByte(static_cast<wchar_t>(upper[0]), static_cast<wchar_t>(lower[1])), v);
    }
}

TEST(HexToByte, NonDigitContributesNothing) {
    EXPECT_EQ(HexToByte('A', 'G'), 0xA0);
    EXPECT_EQ(HexToByte('5', '\0'), 0x50);
    // A bad first character must not shift garbage into the high bits.
    EXPECT_EQ(HexToByte('G', '5'), 0x05);
    EXPECT_EQ(HexToByte(' ', 'f'), 0x0F);
    EXPECT_EQ(HexToByte(':', ':'), 0x00);
    // Bytes above 0x7F and wide look-alikes are not digits.
    EXPECT_EQ(HexToByte('\xC1', '\xB1'), 0x00);
    EXPECT_EQ(HexToByte(L'\xFF21', L'1'), 0x01); // FULLWIDTH LATIN CAPITAL LETTER A
    EXPECT_EQ(HexToByte(L'\x0141', L'\x0130'), 0x00);
}

TEST(IsSpacedMacText, AcceptsOnlySixBlankSeparatedPairs) {
    EXPECT_TRUE(IsSpacedMacText("0A 1b 2C 3D 4E 5F"));
    EXPECT_FALSE(IsSpacedMacText("IST0A 1B 2C 3D 4E"));
    EXPECT_FALSE(IsSpacedMacText("0A 1B 2C 3D 4E 5"));
    EXPECT_FALSE(IsSpacedMacText("0A:1B:2C:3D:4E:5F"));
    EXPECT_FALSE(IsSpacedMacText("0A 1B 2C 3D 4E 5G"));
}

TEST(IsMacText12, AcceptsOnlyTwelveHexDigits) {
    EXPECT_TRUE(IsMacText12("0011AABBCCDD"));
    EXPECT_TRUE(IsMacText12("0011aabbccDd"));
    EXPECT_TRUE(IsMacText12(L"021122334455"));

    EXPECT_FALSE(IsMacText12(""));
    EXPECT_FALSE(IsMacText12("0011AABBCCD"));
    EXPECT_FALSE(IsMacText12("0011AABBCCDDE"));
    EXPECT_FALSE(IsMacText12("00:11:AA:BB:CC:DD"));
    EXPECT_FALSE(IsMacText12("00 11 AA BB CC DD"));
    EXPECT_FALSE(IsMacText12("0011AABBCCDG"));
    EXPECT_FALSE(IsMacText12(" 011AABBCCDD"));
    EXPECT_FALSE(IsMacText12(std::string_view("0011AA\0BCCDD", 12)));
    EXPECT_FALSE(IsMacText12(L"0011AABBCC\xFF21\xFF21"));
}

TEST(MacTextToBytes, FillsSixBytesAndZeroesTheSpare) {
    std::uint8_t mac[kMacAddressBufferBytes];
    std::memset(mac, 0xEE, sizeof mac);
    ASSERT_TRUE(MacTextToBytes("00A0c9ff0102", mac));
    const std::uint8_t expected[kMacAddressBufferBytes] = {0x00, 0xA0, 0xC9, 0xFF, 0x01, 0x02, 0x00};
    EXPECT_EQ(0, std::memcmp(mac, expected, sizeof mac));

    std::memset(mac, 0xEE, sizeof mac);
    ASSERT_TRUE(MacTextToBytes(L"0211223344FE", mac));
    const std::uint8_t wide[kMacAddressBufferBytes] = {0x02, 0x11, 0x22, 0x33, 0x44, 0xFE, 0x00};
    EXPECT_EQ(0, std::memcmp(mac, wide, sizeof mac));
}

TEST(MacTextToBytes, RefusesBadTextAndLeavesZeroBytes) {
    const std::uint8_t zero[kMacAddressBufferBytes] = {};
    for (const char* bad : {"", "0011", "0011AABBCCDDEE", "00-11-AA-BB-CC", "GG11AABBCCDD"}) {
        std::uint8_t mac[kMacAddressBufferBytes];
        std::memset(mac, 0xEE, sizeof mac);
        EXPECT_FALSE(MacTextToBytes(bad, mac)) << bad;
        EXPECT_EQ(0, std::memcmp(mac, zero, sizeof mac)) << bad;
    }
}

TEST(MacFormats, UpperCaseWithLeadingZeros) {
    const std::uint8_t mac[kMacBytes] = {0x00, 0x0a, 0xB0, 0x01, 0xfe, 0x09};
    EXPECT_EQ(FormatMac12(mac), "000AB001FE09");
    EXPECT_EQ(FormatMacSpaced(mac), "00 0A B0 01 FE 09");
    EXPECT_EQ(FormatMacColon(mac), "00:0A:B0:01:FE:09");
    EXPECT_EQ(FormatMacSpaced(mac).size(), kMacSpacedLength);
}

TEST(MacFormats, TwelveDigitFormRoundTrips) {
    const std::uint8_t mac[kMacBytes] = {0xDE, 0xAD, 0x00, 0xBE, 0xEF, 0x7F};
    std::uint8_t back[kMacAddressBufferBytes];
    ASSERT_TRUE(MacTextToBytes(FormatMac12(mac), back));
    EXPECT_EQ(0, std::memcmp(mac, back, kMacBytes));
}
