// The simulated AP's state machine: command lines in, answers and fault shaping out.
#include "apsim_engine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace apsim {

namespace {

// The in-memory copy answered by "log"; the printed log keeps everything.
constexpr std::size_t kMaxLogLines = 10000;
constexpr std::string_view kEndEntryText = "00 00 00 00 00 00";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The add command carries exactly "xx xx xx xx xx xx" in lower case.
std::optional<Mac> ParseAddArgument(std::string_view arg) {
    if (arg.size() != 17) return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < 6; ++i) {
        const char hi = arg[3 * i], lo = arg[3 * i + 1];
        if (i < 5 && arg[3 * i + 2] != ' ') return std::nullopt;
        if ((hi >= 'A' && hi <= 'F') || (lo >= 'A' && lo <= 'F')) return std::nullopt;
        if (HexValue(hi) < 0 || HexValue(lo) < 0) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(HexValue(hi) << 4 | HexValue(lo));
    }
    return mac;
}

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string_view Rest(std::string_view line, std::string_view firstWord) {
    std::string_view rest = line.substr(line.find(firstWord) + firstWord.size());
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    return rest;
}

} // namespace

std::optional<Mac> ParseMacLoose(std::string_view text) {
    Mac mac{};
    std::size_t digits = 0;
    for (char c : text) {
        if (c == ':' || c == '-' || c == ' ' || c == '.') continue;
        const int v = HexValue(c);
        if (v < 0 || digits >= 12) return std::nullopt;
        mac[digits / 2] = static_cast<std::uint8_t>(mac[digits / 2] << 4 | v);
        ++digits;
    }
    if (digits != 12) return std::nullopt;
    return mac;
}

std::string FormatEntryText(const Mac& mac) {
    char text[24] = {};
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

std::string EscapeForLog(std::string_view bytes) {
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20 || c > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

std::optional<std::vector<std::size_t>> ParseSplitOffsets(std::string_view text) {
    std::vector<std::size_t> offsets;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const auto value = ParseInt(text.substr(0, comma));
        if (!value || *value == 0 ||
            (!offsets.empty() && static_cast<std::size_t>(*value) <= offsets.back())) {
            return std::nullopt;
        }
        offsets.push_back(static_cast<std::size_t>(*value));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (text.empty()) return std::nullopt;
    }
    if (offsets.empty()) return std::nullopt;
    return offsets;
}

Engine::Engine(std::vector<Mac> initialList, std::size_t capacity, Faults initialFaults)
    : m_initialList(std::move(initialList)), m_initialFaults(std::move(initialFaults)), m_list(m_initialList),
      m_capacity(capacity), m_faults(m_initialFaults) {}

void Engine::NoteConnected() {
    ++m_counters.connections;
    m_counters.connected = true;
}

void Engine::NoteDisconnected() {
    m_counters.connected = false;
}

void Engine::WriteLog(std::string_view line, std::string_view outcome) {
    std::string text = "\"" + EscapeForLog(line) + "\" -> " + std::string(outcome);
    if (m_log.size() >= kMaxLogLines) m_log.erase(m_log.begin());
    m_log.push_back(text);
    if (m_logSink) m_logSink(text);
}

std::string Engine::ListAnswer() const {
    std::string answer;
    auto append = [&answer](std::string_view macText) {
        answer += "701";
        answer += kEntryFiller;
        answer += macText;
    };
    for (const Mac& mac : m_list)
        append(FormatEntryText(mac));
    append(kEndEntryText);
    if (m_faults.padFull && answer.size() % kProgramReadSize != 0) {
        // Blanks in front hold no "701", so the entries end exactly at the end of a full read.
        answer.insert(0, kProgramReadSize - answer.size() % kProgramReadSize, ' ');
    }
    return answer;
}

Reply Engine::Shape(std::string answer) const {
    Reply reply;
    reply.delayMs = m_faults.delayMs;
    reply.gapMs = m_faults.splitGapMs;
    std::size_t from = 0;
    for (std::size_t cut : m_faults.split) {
        if (cut >= answer.size()) break;
        reply.segments.push_back(answer.substr(from, cut - from));
        from = cut;
    }
    reply.segments.push_back(answer.substr(from));
    return reply;
}

// Carries out one well-formed command; returns its answer (empty: none) and describes it in outcome.
std::string Engine::Perform(unsigned code, std::string_view argument, std::string& outcome) {
    switch (code) {
    case 0xfff0: {
        ++m_counters.add;
        const auto mac = ParseAddArgument(argument);
        if (!mac || FormatEntryText(*mac) == kEndEntryText) {
            outcome = "200 (malformed)";
            return "200";
        }
        if (std::find(m_list.begin(), m_list.end(), *mac) != m_list.end()) {
            outcome = "701 (already listed)";
            return "701";
        }
        if (m_list.size() >= m_capacity) {
            outcome = "200 (list full)";
            return "200";
        }
        m_list.push_back(*mac);
        outcome = "701 (added " + FormatEntryText(*mac) + ")";
        return "701";
    }
    case 0xfff1: {
        ++m_counters.del;
        const auto it = std::find_if(m_list.begin(), m_list.end(),
                                     [&](const Mac& mac) { return FormatEntryText(mac) == argument; });
        if (it == m_list.end()) {
            outcome = "200 (not listed)";
            return "200";
        }
        m_list.erase(it);
        outcome = "701 (deleted)";
        return "701";
    }
    case 0xfff3: {
        ++m_counters.list;
        outcome = "list " + std::to_string(m_list.size());
        return ListAnswer();
    }
    case 0xfff5: {
        ++m_counters.filter;
        if (argument == "00" || argument == "01") {
            m_filterOn = argument == "00";
            outcome = *m_filterOn ? "filter on" : "filter off";
            return *m_filterOn ? "701 filter on" : "701 filter off";
        }
        outcome = "200 (malformed)";
        return "200";
    }
    case 0xfff4:
        ++m_counters.closeRequest;
        outcome = "close request (no answer)";
        return {};
    case 0xfff6:
        ++m_counters.apply;
        outcome = "applied (no answer)";
        return {};
    default:
        ++m_counters.other;
        outcome = "200 (unknown code)";
        return "200";
    }
}

Reply Engine::HandleCommand(std::string_view line) {
    bool close = false;
    if (m_faults.closeAfter > 0 && --m_faults.closeAfter == 0) {
        close = true;
        if (m_faults.closeSilent) {
            m_faults.closeSilent = false;
            WriteLog(line, "closed without answer");
            Reply reply;
            reply.close = true;
            return reply;
        }
    }

    // "w", blank, four lower-case hexadecimal digits, blank, argument.
    unsigned code = 0;
    bool wellFormed = line.size() >= 7 && line[0] == 'w' && line[1] == ' ' && line[6] == ' ';
    for (std::size_t i = 2; wellFormed && i < 6; ++i) {
        const char c = line[i];
        wellFormed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (wellFormed) code = code << 4 | static_cast<unsigned>(HexValue(c));
    }
    const bool answered = !(wellFormed && (code == 0xfff4 || code == 0xfff6));

    std::string outcome;
    std::string answer;
    if (answered && m_faults.refuse > 0) {
        --m_faults.refuse;
        answer = "200";
        outcome = "200 (refused)";
    } else if (answered && m_faults.garbage > 0) {
        --m_faults.garbage;
        answer = m_faults.garbageText;
        outcome = "garbage";
    } else if (!wellFormed) {
        ++m_counters.other;
        answer = "200";
        outcome = "200 (malformed)";
    } else {
        answer = Perform(code, line.substr(7), outcome);
    }

    Reply reply;
    if (!answer.empty()) reply = Shape(std::move(answer));
    reply.close = close;
    if (close) outcome += ", then closed";
    WriteLog(line, outcome);
    return reply;
}

std::string Engine::HandleControl(std::string_view line) {
    const auto words = Words(line);
    if (words.empty()) return "error empty command\n";
    const std::string_view cmd = words[0];
    const auto number = [&](std::size_t i) { return i < words.size() ? ParseInt(words[i]) : std::nullopt; };

    if (cmd == "refuse" || cmd == "delay" || cmd == "split-gap") {
        const auto n = number(1);
        if (!n || words.size() != 2) return "error usage: " + std::string(cmd) + " N\n";
        (cmd == "refuse" ? m_faults.refuse : cmd == "delay" ? m_faults.delayMs : m_faults.splitGapMs) = *n;
        return "ok\n";
    }
    if (cmd == "garbage") {
        const auto n = number(1);
        if (!n) return "error usage: garbage N [TEXT]\n";
        m_faults.garbage = *n;
        const std::string_view text = words.size() > 2 ? Rest(Rest(line, cmd), words[1]) : kDefaultGarbage;
        m_faults.garbageText = std::string(text);
        return "ok\n";
    }
    if (cmd == "split") {
        if (words.size() == 2 && words[1] == "off") {
            m_faults.split.clear();
            return "ok\n";
        }
        const auto offsets = words.size() == 2 ? ParseSplitOffsets(words[1]) : std::nullopt;
        if (!offsets) return "error usage: split OFFSET[,OFFSET...] | split off\n";
        m_faults.split = *offsets;
        return "ok\n";
    }
    if (cmd == "pad-full") {
        if (words.size() != 2 || (words[1] != "on" && words[1] != "off"))
            return "error usage: pad-full on|off\n";
        m_faults.padFull = words[1] == "on";
        return "ok\n";
    }
    if (cmd == "close-after") {
        const auto n = number(1);
        const bool silent = words.size() == 3 && words[2] == "silent";
        if (!n || (words.size() == 3 && !silent) || words.size() > 3) {
            return "error usage: close-after N [silent]\n";
        }
        m_faults.closeAfter = *n;
        m_faults.closeSilent = silent;
        return "ok\n";
    }
    if (cmd == "add") {
        const auto mac = words.size() > 1 ? ParseMacLoose(Rest(line, cmd)) : std::nullopt;
        if (!mac) return "error usage: add MAC\n";
        if (std::find(m_list.begin(), m_list.end(), *mac) == m_list.end()) m_list.push_back(*mac);
        return "ok\n";
    }
    if (cmd == "clear") {
        m_list.clear();
        return "ok\n";
    }
    if (cmd == "list") {
        std::string out;
        for (const Mac& mac : m_list)
            out += FormatEntryText(mac) + "\n";
        return out + "ok " + std::to_string(m_list.size()) + "\n";
    }
    if (cmd == "log") {
        std::string out;
        for (const std::string& entry : m_log)
            out += entry + "\n";
        return out + "ok " + std::to_string(m_log.size()) + "\n";
    }
    if (cmd == "stats") {
        const Counters& c = m_counters;
        return "ok connections=" + std::to_string(c.connections) + " connected=" + (c.connected ? "1" : "0") +
               " fff0=" + std::to_string(c.add) + " fff1=" + std::to_string(c.del) +
               " fff3=" + std::to_string(c.list) + " fff4=" + std::to_string(c.closeRequest) +
               " fff5=" + std::to_string(c.filter) + " fff6=" + std::to_string(c.apply) +
               " other=" + std::to_string(c.other) +
               " filter=" + (m_filterOn ? (*m_filterOn ? "on" : "off") : "unset") + "\n";
    }
    if (cmd == "reset") {
        // Back to the state at start; the connection, if any, stays.
        const bool connected = m_counters.connected;
        m_list = m_initialList;
        m_faults = m_initialFaults;
        m_counters = Counters{};
        m_counters.connected = connected;
        m_filterOn.reset();
        m_log.clear();
        return "ok\n";
    }
    if (cmd == "help") {
        return "refuse N | garbage N [TEXT] | split OFFSETS|off | split-gap MS | pad-full on|off | delay MS\n"
               "close-after N [silent] | add MAC | clear | list | log | stats | reset | help\nok\n";
    }
    return "error unknown command: " + EscapeForLog(cmd) + "\n";
}

} // namespace apsim
