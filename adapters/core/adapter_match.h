// Wireless adapter test by description keywords, and the walk over an adapter record chain; no Windows
// header.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace adapters {

// Searched, in this order, in the upper-cased description; any one makes the adapter wireless.
inline constexpr std::array<std::string_view, 8> kWirelessKeywords = {
    "PRO/WIRELESS", "RALINK", "RT2500", "WIRELESS", "802.", "ATHEROS", "ACROWAVE", "WIFI",
};

// When no description names a keyword: Windows names today's Wi-Fi adapters by their driver, as in
// "Intel(R) Wi-Fi 6 AX201 160MHz", which "WIFI" does not match; their interface type says it instead.
inline constexpr unsigned kIfTypeIeee80211 = 71;
inline constexpr std::string_view kWiFiMark = "WI-FI";
// Windows also lists its Wi-Fi Direct adapter ("Microsoft Wi-Fi Direct Virtual Adapter"), with type 71 and
// an address of its own, often before the real one: a virtual adapter is never the PC's Wi-Fi.
inline constexpr std::string_view kVirtualMark = "VIRTUAL";

// The walk gives up after this many records, so a damaged chain cannot loop for ever.
inline constexpr std::size_t kMaxAdapterRecords = 1024;

// ASCII letters only: descriptions come from the system as narrow text.
std::string UpperAscii(std::string_view text);

// Index in kWirelessKeywords of the first keyword the description contains, or -1.
int FindWirelessKeyword(std::string_view description);
inline bool IsWirelessDescription(std::string_view description) {
    return FindWirelessKeyword(description) >= 0;
}

// The second look, for a list where no keyword matched: wireless by type or by "WI-FI", and not virtual.
bool IsWirelessByTypeOrName(std::string_view description, unsigned type);

// Text of a fixed-size char array of a record, bounded by the array even without a NUL.
template <std::size_t N> std::string_view BoundedText(const char (&text)[N]) {
    std::size_t length = 0;
    while (length < N && text[length] != '\0')
        ++length;
    return {text, length};
}

template <typename Record> std::string_view DescriptionOf(const Record& record) {
    return BoundedText(record.Description);
}

// Walks records linked by Next from first, calling visit(record) on each one before it is
// tested, and returns the first wireless one; null when none is (never the last record examined).
template <typename Record, typename Visit>
const Record* FindWirelessRecord(const Record* first, Visit&& visit) {
    std::size_t walked = 0;
    for (const Record* record = first; record != nullptr && walked < kMaxAdapterRecords;
         record = record->Next, ++walked) {
        visit(*record);
        if (IsWirelessDescription(DescriptionOf(*record))) return record;
    }
    return nullptr;
}

template <typename Record> const Record* FindWirelessRecord(const Record* first) {
    return FindWirelessRecord(first, [](const Record&) {});
}

// The first record that IsWirelessByTypeOrName takes, or null; the address is not judged, since with
// random hardware addresses on, Windows gives the real adapter a locally administered one.
template <typename Record> const Record* FindWirelessRecordByTypeOrName(const Record* first) {
    std::size_t walked = 0;
    for (const Record* record = first; record != nullptr && walked < kMaxAdapterRecords;
         record = record->Next, ++walked) {
        if (IsWirelessByTypeOrName(DescriptionOf(*record), record->Type)) return record;
    }
    return nullptr;
}

} // namespace adapters
