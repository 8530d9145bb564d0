// MAC address text forms shared by the AP link, the adapter list, the VCI link and the simulators; no
// Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// A MAC address is six bytes; the dialog's conversion target (m_MacAddress) keeps one spare byte after
// them, cleared together with them.
inline constexpr std::size_t kMacBytes = 6;
inline constexpr std::size_t kMacAddressBufferBytes = kMacBytes + 1;
// "001122AABBCC": the form of the PC's and the VCI's MAC texts and of the button captions.
inline constexpr std::size_t kMacText12Length = 2 * kMacBytes;
// "00 11 22 AA BB CC": the form in which the AP lists its entries.
inline constexpr std::size_t kMacSpacedLength = 3 * kMacBytes - 1;

// Value of one hexadecimal digit ('0'-'9', 'A'-'F', 'a'-'f'), or -1. A char is taken as unsigned, so a
// byte above 0x7F is never a digit.
int HexDigitValue(wchar_t c);
int HexDigitValue(char c);

// Two characters to one byte, high digit first. A character that is not a hexadecimal
// digit contributes nothing, so "G5" gives 0x05 and "5G" gives 0x50.
std::uint8_t HexToByte(char high, char low);
std::uint8_t HexToByte(wchar_t high, wchar_t low);

// True only for exactly kMacText12Length hexadecimal digits, nothing before, between or after.
bool IsMacText12(std::string_view text);
bool IsMacText12(std::wstring_view text);
// Six pairs of hexadecimal digits separated by single blanks, as the AP lists its entries.
bool IsSpacedMacText(std::string_view text);

// Zeroes all bytes of macAddress, then fills the first kMacBytes from a twelve-digit text.
// A text that fails IsMacText12 leaves the bytes zero and returns false: it must not be sent.
bool MacTextToBytes(std::string_view text, std::uint8_t (&macAddress)[kMacAddressBufferBytes]);
bool MacTextToBytes(std::wstring_view text, std::uint8_t (&macAddress)[kMacAddressBufferBytes]);

// All six bytes zero: the entry that ends the AP's list, so never an address to register.
inline bool IsZeroMac(const std::uint8_t* mac) {
    for (std::size_t i = 0; i < kMacBytes; ++i)
        if (mac[i] != 0) return false;
    return true;
}

// Each formatter reads exactly kMacBytes bytes from mac.
std::string FormatMac12(const std::uint8_t* mac);     // "%02X" x 6, no separators
std::string FormatMacSpaced(const std::uint8_t* mac); // "%02X" x 6, single blanks
std::string FormatMacColon(const std::uint8_t* mac);  // "%02X" x 6, colons (trace lines)

} // namespace common
