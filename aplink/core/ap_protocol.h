// AP command texts, status replies and the receive buffer; no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/mac_text.h"

namespace aplink {

// Command codes, written as four lower-case hexadecimal digits in every command line.
enum ApCode : unsigned {
    ApCodeAddMac = 0xfff0,
    ApCodeDeleteMac = 0xfff1,
    ApCodeReadList = 0xfff3,
    ApCodeCloseRequest = 0xfff4,
    ApCodeSetFilter = 0xfff5,
    ApCodeApply = 0xfff6,
};

// Commands are built in a zeroed buffer of this size and sent without the NUL.
inline constexpr std::size_t kApCommandBufferSize = 1000;
// One read of the socket takes at most this many bytes.
inline constexpr int kApReplyReadSize = 3000;
// An entry is kApAccepted, four characters the program skips, then the MAC text.
inline constexpr std::size_t kApEntryMacOffset = 7;
inline constexpr std::size_t kApEntryTextLength = common::kMacSpacedLength;
inline constexpr std::string_view kApListEndText = "00 00 00 00 00 00";
inline constexpr std::string_view kApAccepted = "701";
inline constexpr std::string_view kApRefused = "200";
static_assert(kApRefused.size() == kApAccepted.size());

// Command texts. Each is one line ending in a single carriage return.
// "w fff0 xx xx xx xx xx xx\r" for the common::kMacBytes bytes at mac.
std::string MakeAddCommand(const std::uint8_t* mac);
// "w fff1 <entry>\r" with the entry's text exactly as the AP listed it. Empty when the text
// is longer than an entry or holds a byte outside printable ASCII: such a text would not stay one line.
std::string MakeDeleteCommand(std::string_view entryText);
std::string MakeDeleteCommand(std::wstring_view entryText);
std::string MakeReadListCommand();            // "w fff3 \r"
std::string MakeCloseRequestCommand();        // "w fff4 \r"
std::string MakeFilterCommand(bool filterOn); // "w fff5 00\r" on, "w fff5 01\r" off
std::string MakeApplyCommand();               // "w fff6 \r"

// A status reply counts by its first three characters (kApAccepted or kApRefused) only.
enum class ApStatus { Accepted, Refused, Unexpected };
ApStatus ClassifyStatusReply(std::string_view replyText);

// The dialog's receive buffer: one read and a terminating zero that even a full read keeps.
struct ApReplyBuffer {
    char data[kApReplyReadSize + 1] = {};
    int received = 0;

    // Before each read.
    void Clear();
    // After a read: keeps the count (a negative or oversized one is bounded) and terminates the text.
    void SetReceived(int count);
};

} // namespace aplink
