// MAC address text forms: hexadecimal conversion, validation and the three printed forms.
#include "common/core/mac_text.h"

#include <cstdio>

namespace common {

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return static_cast<int>(c - L'0');
    if (c >= L'A' && c <= L'F') return static_cast<int>(c - L'A') + 10;
    if (c >= L'a' && c <= L'f') return static_cast<int>(c - L'a') + 10;
    return -1;
}

int HexDigitValue(char c) {
    // Through unsigned char so that bytes above 0x7F never alias a digit.
    return HexDigitValue(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

std::uint8_t HexToByte(wchar_t high, wchar_t low) {
    int value = 0;
    if (int h = HexDigitValue(high); h >= 0) value = h << 4;
    if (int l = HexDigitValue(low); l >= 0) value |= l;
    return static_cast<std::uint8_t>(value);
}

std::uint8_t HexToByte(char high, char low) {
    return HexToByte(static_cast<wchar_t>(static_cast<unsigned char>(high)),
                     static_cast<wchar_t>(static_cast<unsigned char>(low)));
}

namespace {

template <typename Char> bool IsMacText12Impl(std::basic_string_view<Char> text) {
    if (text.size() != kMacText12Length) return false;
    for (Char c : text) {
        if (HexDigitValue(c) < 0) return false;
    }
    return true;
}

template <typename Char>
bool MacTextToBytesImpl(std::basic_string_view<Char> text,
                        std::uint8_t (&macAddress)[kMacAddressBufferBytes]) {
    for (std::uint8_t& b : macAddress)
        b = 0;
    if (!IsMacText12Impl(text)) return false;
    for (std::size_t i = 0; i < kMacBytes; ++i) {
        macAddress[i] = HexToByte(text[2 * i], text[2 * i + 1]);
    }
    return true;
}

std::string FormatMac(const std::uint8_t* mac, const char* format) {
    char text[32] = {};
    std::snprintf(text, sizeof text, format, mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

} // namespace

bool IsMacText12(std::string_view text) {
    return IsMacText12Impl(text);
}
bool IsMacText12(std::wstring_view text) {
    return IsMacText12Impl(text);
}

bool MacTextToBytes(std::string_view text, std::uint8_t (&macAddress)[kMacAddressBufferBytes]) {
    return MacTextToBytesImpl(text, macAddress);
}

bool MacTextToBytes(std::wstring_view text, std::uint8_t (&macAddress)[kMacAddressBufferBytes]) {
    return MacTextToBytesImpl(text, macAddress);
}

std::string FormatMac12(const std::uint8_t* mac) {
    return FormatMac(mac, "%02X%02X%02X%02X%02X%02X");
}
std::string FormatMacSpaced(const std::uint8_t* mac) {
    return FormatMac(mac, "%02X %02X %02X %02X %02X %02X");
}
std::string FormatMacColon(const std::uint8_t* mac) {
    return FormatMac(mac, "%02X:%02X:%02X:%02X:%02X:%02X");
}

bool IsSpacedMacText(std::string_view text) {
    if (text.size() != kMacSpacedLength) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool blank = i % 3 == 2;
        if (blank ? text[i] != ' ' : HexDigitValue(text[i]) < 0) return false;
    }
    return true;
}

} // namespace common
