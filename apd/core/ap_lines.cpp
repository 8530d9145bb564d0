// The AP protocol's wire side: line framing and the strict reading of one command line.
#include "apd/core/ap_lines.h"

#include <optional>

namespace apd {

namespace {

// Exactly "hh hh hh hh hh hh" with digits of one case, and never the list's end entry: it is no station.
std::optional<Mac> ParseSpacedMac(std::string_view arg, bool upper) {
    const auto mac = ParseMacPairs(arg, ' ', upper ? HexCase::Upper : HexCase::Lower);
    if (!mac || *mac == Mac{}) return std::nullopt;
    return mac;
}

} // namespace

int HexDigit(char c, HexCase digits) {
    if (c >= '0' && c <= '9') return c - '0';
    if (digits != HexCase::Upper && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (digits != HexCase::Lower && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<Mac> ParseMacPairs(std::string_view text, char separator, HexCase digits) {
    Mac mac{};
    if (text.size() != 3 * mac.size() - 1) return std::nullopt;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const int hi = HexDigit(text[3 * i], digits), lo = HexDigit(text[3 * i + 1], digits);
        if (hi < 0 || lo < 0 || (i + 1 < mac.size() && text[3 * i + 2] != separator)) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return mac;
}

Command ParseCommandLine(std::string_view line) {
    Command command;
    if (line.size() < 7 || line[0] != 'w' || line[1] != ' ' || line[6] != ' ') return command;
    for (std::size_t i = 2; i < 6; ++i) {
        const int digit = HexDigit(line[i], HexCase::Lower);
        if (digit < 0) return command;
        command.code = command.code << 4 | static_cast<unsigned>(digit);
    }
    const std::string_view arg = line.substr(7);
    command.kind = CommandKind::BadArgument;
    switch (command.code) {
    case kCodeAdd:
    case kCodeDelete:
        if (const auto mac = ParseSpacedMac(arg, command.code == kCodeDelete)) {
            command.mac = *mac;
            command.kind = command.code == kCodeAdd ? CommandKind::Add : CommandKind::Delete;
        }
        break;
    case kCodeList:
        if (arg.empty()) command.kind = CommandKind::List;
        break;
    case kCodeCloseRequest:
        if (arg.empty()) command.kind = CommandKind::CloseRequest;
        break;
    case kCodeFilter:
        if (arg == "00" || arg == "01") {
            command.kind = CommandKind::Filter;
            command.filterOn = arg == "00";
        }
        break;
    case kCodeApply:
        if (arg.empty()) command.kind = CommandKind::Apply;
        break;
    default:
        command.kind = CommandKind::UnknownCode;
        break;
    }
    return command;
}

void LineFramer::Feed(std::string_view bytes, std::vector<Line>& lines) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        const std::string_view piece = bytes.substr(0, end);
        if (!m_discarding) {
            // Never more than one line's worth is kept, however much arrives at once.
            const std::size_t room = kMaxCommandLine + 1 - m_partial.size();
            m_partial.append(piece.substr(0, room));
        }
        if (m_partial.size() > kMaxCommandLine) {
            m_partial.resize(kMaxCommandLine);
            lines.push_back({std::move(m_partial), true});
            m_partial.clear();
            m_discarding = true;
        }
        if (end == std::string_view::npos) break;
        if (!m_discarding && !m_partial.empty()) lines.push_back({std::move(m_partial), false});
        m_partial.clear();
        m_discarding = false;
        bytes.remove_prefix(end + 1);
    }
}

void LineFramer::Reset() {
    m_partial.clear();
    m_discarding = false;
}

} // namespace apd
