// The AP protocol's wire as both ends speak it: command codes, status answers, list entries, the longest
// command line and MAC pairs; no Windows header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

// The four lower-case hexadecimal digits after "w " that say what a command line asks for; not to be
// mistaken for the program's pending operations (aplink::ApCommand).
enum class WireCode : unsigned {
    Add = 0xfff0,
    Delete = 0xfff1,
    List = 0xfff3,
    CloseRequest = 0xfff4,
    Filter = 0xfff5,
    Apply = 0xfff6,
};

// The status answers: accepted, refused. A list entry starts with the acceptance too.
inline constexpr std::string_view kWireAccepted = "701";
inline constexpr std::string_view kWireRefused = "200";
static_assert(kWireAccepted.size() == kWireRefused.size());

// A list entry: kWireAccepted, four characters the program skips (the AP's choice; ours put
// kWireEntryFiller there), then the MAC as six upper-case pairs one blank apart. The entry whose MAC is
// kWireListEnd ends the list.
inline constexpr std::size_t kWireEntryMacOffset = 7;
inline constexpr std::string_view kWireEntryFiller = "LIST";
inline constexpr std::string_view kWireListEnd = "00 00 00 00 00 00";
static_assert(kWireAccepted.size() + kWireEntryFiller.size() == kWireEntryMacOffset);

// The program builds a command in a buffer of this size; a longer line is no command of it.
inline constexpr std::size_t kWireMaxLine = 1000;

using WireMac = std::array<std::uint8_t, 6>;

// Which hexadecimal digits a text may use.
enum class HexCase { Lower, Upper, Any };

// The value of one hexadecimal digit of the given case; -1 for anything else.
int HexDigit(char c, HexCase digits);

// Exactly six pairs of hexadecimal digits of the given case, `separator` between them and nothing else:
// 17 characters, no blank at either end.
std::optional<WireMac> ParseMacPairs(std::string_view text, char separator, HexCase digits);

} // namespace common
