// The AP protocol's wire side: line framing and the strict reading of one command line.
#include "apsim_lines.h"

#include <optional>

namespace apsim {

namespace {

int DigitValue(char c, bool upper) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!upper && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (upper && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Exactly "hh hh hh hh hh hh": no other separator, no blank at either end, digits of one case.
std::optional<Mac> ParseSpacedMac(std::string_view arg, bool upper) {
    if (arg.size() != 17) return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const int hi = DigitValue(arg[3 * i], upper), lo = DigitValue(arg[3 * i + 1], upper);
        if (hi < 0 || lo < 0 || (i + 1 < mac.size() && arg[3 * i + 2] != ' ')) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    // The list's end entry is never a station.
    if (mac == Mac{}) return std::nullopt;
    return mac;
}

} // namespace

Command ParseCommandLine(std::string_view line) {
    Command command;
    if (line.size() < 7 || line[0] != 'w' || line[1] != ' ' || line[6] != ' ') return command;
    for (std::size_t i = 2; i < 6; ++i) {
        const int digit = DigitValue(line[i], false);
        if (digit < 0) return command;
        command.code = command.code << 4 | static_cast<unsigned>(digit);
    }
    const std::string_view arg = line.substr(7);
    command.kind = CommandKind::BadArgument;
    switch (command.code) {
    case 0xfff0:
    case 0xfff1:
        if (const auto mac = ParseSpacedMac(arg, command.code == 0xfff1)) {
            command.mac = *mac;
            command.kind = command.code == 0xfff0 ? CommandKind::Add : CommandKind::Delete;
        }
        break;
    case 0xfff3:
        if (arg.empty()) command.kind = CommandKind::List;
        break;
    case 0xfff4:
        if (arg.empty()) command.kind = CommandKind::CloseRequest;
        break;
    case 0xfff5:
        if (arg == "00" || arg == "01") {
            command.kind = CommandKind::Filter;
            command.filterOn = arg == "00";
        }
        break;
    case 0xfff6:
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

} // namespace apsim
