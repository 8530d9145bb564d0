// AP command texts, status reply judgement and the bounded list-reply scanner.
#include "aplink/core/ap_protocol.h"

#include <cstdio>
#include <cstring>
#include <type_traits>

namespace aplink {

namespace {

bool IsPrintableAscii(unsigned c) {
    return c >= 0x20 && c <= 0x7E;
}

std::string FormatCommand(const char* format, unsigned code) {
    char text[32] = {};
    std::snprintf(text, sizeof text, format, code);
    return text;
}

template <typename Char> std::string MakeDeleteCommandImpl(std::basic_string_view<Char> entryText) {
    if (entryText.size() > kApEntryTextLength) return {};
    std::string command = FormatCommand("w %04x ", ApCodeDeleteMac);
    for (Char c : entryText) {
        const auto u = static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(c));
        if (!IsPrintableAscii(u)) return {};
        command.push_back(static_cast<char>(u));
    }
    command.push_back('\r');
    return command;
}

} // namespace

std::string MakeAddCommand(const std::uint8_t* mac) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "w %04x %02x %02x %02x %02x %02x %02x\r", unsigned{ApCodeAddMac}, mac[0],
                  mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string MakeDeleteCommand(std::string_view entryText) {
    return MakeDeleteCommandImpl(entryText);
}
std::string MakeDeleteCommand(std::wstring_view entryText) {
    return MakeDeleteCommandImpl(entryText);
}

std::string MakeReadListCommand() {
    return FormatCommand("w %04x \r", ApCodeReadList);
}
std::string MakeCloseRequestCommand() {
    return FormatCommand("w %04x \r", ApCodeCloseRequest);
}
std::string MakeApplyCommand() {
    return FormatCommand("w %04x \r", ApCodeApply);
}

std::string MakeFilterCommand(bool filterOn) {
    // "00" switches filtering on, "01" off: the AP's convention, not a flag value.
    char text[32] = {};
    std::snprintf(text, sizeof text, "w %04x %02d\r", unsigned{ApCodeSetFilter}, filterOn ? 0 : 1);
    return text;
}

std::size_t CopyCommand(std::string_view command, char* buffer, std::size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    std::memset(buffer, 0, bufferSize);
    if (command.empty() || command.size() >= bufferSize) return 0;
    std::memcpy(buffer, command.data(), command.size());
    return command.size();
}

std::size_t MakeMacDataToAdd(const std::uint8_t* mac, char* buffer, std::size_t bufferSize) {
    return CopyCommand(MakeAddCommand(mac), buffer, bufferSize);
}

std::size_t MakeMacDataToDelete(std::string_view entryText, char* buffer, std::size_t bufferSize) {
    return CopyCommand(MakeDeleteCommand(entryText), buffer, bufferSize);
}

std::size_t MakeMacDataToDelete(std::wstring_view entryText, char* buffer, std::size_t bufferSize) {
    return CopyCommand(MakeDeleteCommand(entryText), buffer, bufferSize);
}

std::size_t MakeMacDataToRead(char* buffer, std::size_t bufferSize) {
    return CopyCommand(MakeReadListCommand(), buffer, bufferSize);
}

std::string_view ReplyText(const char* data, int received) {
    if (data == nullptr || received <= 0) return {};
    const auto count = static_cast<std::size_t>(received);
    const void* nul = std::memchr(data, '\0', count);
    return {data, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : count};
}

ApStatus ClassifyStatusReply(std::string_view replyText) {
    const std::string_view status = replyText.substr(0, kApAccepted.size());
    if (status == kApAccepted) return ApStatus::Accepted;
    if (status == kApRefused) return ApStatus::Refused;
    return ApStatus::Unexpected;
}

ApListScan ScanListReply(const char* data, int received) {
    ApListScan scan;
    if (data == nullptr || received <= 0) return scan;
    const auto n = static_cast<std::size_t>(received);
    for (std::size_t p = 0; p + kApAccepted.size() < n; ++p) {
        if (std::string_view(data + p, kApAccepted.size()) != kApAccepted) continue;
        // Bytes past the read count as zero, so a cut entry ends at the cut.
        const std::size_t start = p + kApEntryMacOffset;
        std::size_t length = 0;
        // A NUL ends the text; so does any other control byte, which would break a delete command's line.
        while (start + length < n && length < kApEntryTextLength &&
               IsPrintableAscii(static_cast<unsigned char>(data[start + length])))
            ++length;
        const std::string_view text = length ? std::string_view(data + start, length) : std::string_view();
        if (text == kApListEndText) {
            scan.endSeen = true;
            break;
        }
        // A whole entry is a MAC text. Anything else is a kApAccepted of an earlier reply read together
        // with the list (status replies carry no entry): listing it would make a row the AP never had.
        if (text.size() == kApEntryTextLength && !common::IsSpacedMacText(text)) continue;
        scan.entries.push_back(text);
    }
    return scan;
}

void ApReplyBuffer::Clear() {
    std::memset(data, 0, sizeof data);
    received = 0;
}

void ApReplyBuffer::SetReceived(int count) {
    received = count < 0 ? 0 : (count > kApReplyReadSize ? kApReplyReadSize : count);
    data[received] = '\0';
}

} // namespace aplink
