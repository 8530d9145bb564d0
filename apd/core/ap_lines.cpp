// The AP protocol's wire side: line framing and the strict reading of one command line.
#include "apd/core/ap_lines.h"

#include <optional>

namespace apd {

namespace {

// Exactly "hh hh hh hh hh hh" with digits of one case, and never the list's end entry: it is no station.
std::optional<Mac> ParseSpacedMac(std::string_view arg, bool upper) {
    const auto mac = common::ParseMacPairs(arg, ' ', upper ? HexCase::Upper : HexCase::Lower);
    if (!mac || *mac == Mac{}) return std::nullopt;
    return mac;
}

} // namespace

Command ParseCommandLine(std::string_view line) {
    Command command;
    if (line.size() < 7 || line[0] != 'w' || line[1] != ' ' || line[6] != ' ') return command;
    unsigned code = 0;
    for (std::size_t i = 2; i < 6; ++i) {
        const int digit = common::HexDigit(line[i], HexCase::Lower);
        if (digit < 0) return command;
        code = code << 4 | static_cast<unsigned>(digit);
    }
    command.code = static_cast<WireCode>(code);
    const std::string_view arg = line.substr(7);
    command.kind = CommandKind::BadArgument;
    switch (command.code) {
    case WireCode::Add:
    case WireCode::Delete:
        if (const auto mac = ParseSpacedMac(arg, command.code == WireCode::Delete)) {
            command.mac = *mac;
            command.kind = command.code == WireCode::Add ? CommandKind::Add : CommandKind::Delete;
        }
        break;
    case WireCode::List:
        if (arg.empty()) command.kind = CommandKind::List;
        break;
    case WireCode::CloseRequest:
        if (arg.empty()) command.kind = CommandKind::CloseRequest;
        break;
    case WireCode::Filter:
        if (arg == "00" || arg == "01") {
            command.kind = CommandKind::Filter;
            command.filterOn = arg == "00";
        }
        break;
    case WireCode::Apply:
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
