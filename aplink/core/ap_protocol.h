// AP command texts, status replies and the list-reply scanner; no Windows header.
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

// Zeroes bufferSize bytes of buffer and copies the command with its NUL. Returns the command's
// length, or 0 (buffer left zero) when the command is empty or does not fit.
std::size_t CopyCommand(std::string_view command, char* buffer, std::size_t bufferSize);

// The dialog's builders, writing into its command buffer.
std::size_t MakeMacDataToAdd(const std::uint8_t* mac, char* buffer, std::size_t bufferSize);
std::size_t MakeMacDataToDelete(std::string_view entryText, char* buffer, std::size_t bufferSize);
std::size_t MakeMacDataToDelete(std::wstring_view entryText, char* buffer, std::size_t bufferSize);
std::size_t MakeMacDataToRead(char* buffer, std::size_t bufferSize);

// The text of one read: the received bytes up to the first NUL. A count of 0 or -1 is empty.
std::string_view ReplyText(const char* data, int received);

// A status reply counts by its first three characters (kApAccepted or kApRefused) only.
enum class ApStatus { Accepted, Refused, Unexpected };
ApStatus ClassifyStatusReply(std::string_view replyText);

// "701" starts every entry and never overlaps itself, so one read holds at most this many.
inline constexpr std::size_t kApListMaxEntries = kApReplyReadSize / kApAccepted.size();

// The entries of one read, each a view of the read's own bytes (valid as long as they are): listing a
// reply takes no memory, whatever the AP sends.
class ApListEntries {
  public:
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    std::string_view operator[](std::size_t i) const { return m_items[i]; }
    const std::string_view* begin() const { return m_items; }
    const std::string_view* end() const { return m_items + m_count; }
    void push_back(std::string_view text) {
        if (m_count < kApListMaxEntries) m_items[m_count++] = text;
    }
    template <typename List> bool operator==(const List& other) const {
        if (other.size() != m_count) return false;
        std::size_t i = 0;
        for (const auto& text : other)
            if (m_items[i++] != text) return false;
        return true;
    }

  private:
    std::string_view m_items[kApListMaxEntries];
    std::size_t m_count = 0;
};

struct ApListScan {
    ApListEntries entries; // in the order received, the end entry not included
    bool endSeen = false;  // kApListEndText was found; the scan stopped there
};

// Scans one read for list entries: kApAccepted at every position p that some byte follows, the
// entry's text being up to kApEntryTextLength bytes from p + kApEntryMacOffset. The text ends early at
// the end of the received bytes (an entry cut by the read) and at the first byte outside printable ASCII.
// A whole-length text that is not a spaced MAC text is no entry. Nothing past data[received - 1] is read.
ApListScan ScanListReply(const char* data, int received);

// The dialog's receive buffer: one read and a terminating zero that even a full read keeps.
struct ApReplyBuffer {
    char data[kApReplyReadSize + 1] = {};
    int received = 0;

    // Before each read.
    void Clear();
    // After a read: keeps the count (a negative or oversized one is bounded) and terminates the text.
    void SetReceived(int count);
    std::string_view Text() const { return ReplyText(data, received); }
    ApListScan ScanList() const { return ScanListReply(data, received); }
};

} // namespace aplink
