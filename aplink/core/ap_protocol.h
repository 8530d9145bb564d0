// AP command texts, status replies and the receive buffer; no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/ap_wire.h"
#include "common/core/mac_text.h"

namespace aplink {

// Commands are built in a zeroed buffer of this size and sent without the NUL.
inline constexpr std::size_t kApCommandBufferSize = common::kWireMaxLine;
// One read of the socket takes at most this many bytes.
inline constexpr int kApReplyReadSize = 3000;
// An entry is kApAccepted, four characters the program skips, then the MAC text.
inline constexpr std::size_t kApEntryMacOffset = common::kWireEntryMacOffset;
inline constexpr std::size_t kApEntryTextLength = common::kMacSpacedLength;
inline constexpr std::string_view kApListEndText = common::kWireListEnd;
inline constexpr std::string_view kApAccepted = common::kWireAccepted;
inline constexpr std::string_view kApRefused = common::kWireRefused;

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
