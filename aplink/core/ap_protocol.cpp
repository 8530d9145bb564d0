// AP command texts, status reply judgement and the receive buffer.
#include "aplink/core/ap_protocol.h"

#include <cstdio>
#include <cstring>
#include <type_traits>

namespace aplink {

namespace {

bool IsPrintableAscii(unsigned c) {
    return c >= 0x20 && c <= 0x7E;
}

using common::WireCode;

std::string FormatCommand(const char* format, WireCode code) {
    char text[32] = {};
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(code));
    return text;
}

template <typename Char> std::string MakeDeleteCommandImpl(std::basic_string_view<Char> entryText) {
    if (entryText.size() > kApEntryTextLength) return {};
    std::string command = FormatCommand("w %04x ", WireCode::Delete);
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
    std::snprintf(text, sizeof text, "w %04x %02x %02x %02x %02x %02x %02x\r",
                  static_cast<unsigned>(WireCode::Add), mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string MakeDeleteCommand(std::string_view entryText) {
    return MakeDeleteCommandImpl(entryText);
}
std::string MakeDeleteCommand(std::wstring_view entryText) {
    return MakeDeleteCommandImpl(entryText);
}

std::string MakeReadListCommand() {
    return FormatCommand("w %04x \r", WireCode::List);
}
std::string MakeCloseRequestCommand() {
    return FormatCommand("w %04x \r", WireCode::CloseRequest);
}
std::string MakeApplyCommand() {
    return FormatCommand("w %04x \r", WireCode::Apply);
}

std::string MakeFilterCommand(bool filterOn) {
    // "00" switches filtering on, "01" off: the AP's convention, not a flag value.
    char text[32] = {};
    std::snprintf(text, sizeof text, "w %04x %02d\r", static_cast<unsigned>(WireCode::Filter),
                  filterOn ? 0 : 1);
    return text;
}

ApStatus ClassifyStatusReply(std::string_view replyText) {
    const std::string_view status = replyText.substr(0, kApAccepted.size());
    if (status == kApAccepted) return ApStatus::Accepted;
    if (status == kApRefused) return ApStatus::Refused;
    return ApStatus::Unexpected;
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
