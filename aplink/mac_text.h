// MAC address text forms used between the dialog, the adapter list and the AP; no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace aplink {

// A MAC address is six bytes; the dialog's conversion target keeps one spare byte after them.
inline constexpr std::size_t kMacBytes = 6;
inline constexpr std::size_t kMacAddressBufferBytes = 7;
// "001122AABBCC": the form of the PC's and the VCI's MAC texts and of the button captions.
inline constexpr std::size_t kMacText12Length = 12;
// "00 11 22 AA BB CC": the form in which the AP lists its entries.
inline constexpr std::size_t kMacSpacedLength = 17;

// Value of one hexadecimal digit ('0'-'9', 'A'-'F', 'a'-'f'), or -1.
int HexDigitValue(wchar_t c);

// Two characters to one byte, high digit first. A character that is not a hexadecimal
// digit contributes nothing, so "G5" gives 0x05 and "5G" gives 0x50.
std::uint8_t HexToByte(char high, char low);
std::uint8_t HexToByte(wchar_t high, wchar_t low);

// True only for exactly twelve hexadecimal digits, nothing before, between or after.
bool IsMacText12(std::string_view text);
bool IsMacText12(std::wstring_view text);
// Six pairs of hexadecimal digits separated by single blanks, as the AP lists its entries.
bool IsSpacedMacText(std::string_view text);

// Zeroes all seven bytes of macAddress, then fills bytes 0-5 from a twelve-digit text.
// A text that fails IsMacText12 leaves the bytes zero and returns false: it must not be sent.
bool MacTextToBytes(std::string_view text, std::uint8_t (&macAddress)[kMacAddressBufferBytes]);
bool MacTextToBytes(std::wstring_view text, std::uint8_t (&macAddress)[kMacAddressBufferBytes]);

// Each formatter reads exactly six bytes from mac.
std::string FormatMac12(const std::uint8_t* mac);     // "%02X" x 6, no separators
std::string FormatMacSpaced(const std::uint8_t* mac); // "%02X" x 6, single blanks
std::string FormatMacColon(const std::uint8_t* mac);  // "%02X" x 6, colons (trace lines)

} // namespace aplink
