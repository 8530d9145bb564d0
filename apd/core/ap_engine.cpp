// The AP's protocol state machine: command lines in, answers and fault shaping out.
#include "ap_engine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace apd {

namespace {

// The in-memory copy answered by "log"; the printed log keeps everything.
constexpr std::size_t kMaxLogLines = 10000;
constexpr std::string_view kEndEntryText = "00 00 00 00 00 00";

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

// What the backend said about a success (e.g. hostapd's answer), for the log.
std::string Detail(const std::string& why) {
    return why.empty() ? std::string() : "; " + why;
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
        const int v = HexDigit(c, HexCase::Any);
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

Engine::Engine(std::unique_ptr<Backend> backend, Faults initialFaults)
    : m_backend(std::move(backend)), m_initialFaults(std::move(initialFaults)), m_faults(m_initialFaults) {}

std::vector<Mac> Engine::List() {
    std::string why;
    return m_backend->List(why).value_or(std::vector<Mac>{});
}

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

std::string Engine::ListAnswer(const std::vector<Mac>& list) const {
    std::string answer;
    auto append = [&answer](std::string_view macText) {
        answer += "701";
        answer += kEntryFiller;
        answer += macText;
    };
    for (const Mac& mac : list)
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

// Carries out one command; returns its answer (empty: none) and describes it in outcome.
std::string Engine::Perform(const Command& command, std::string& outcome) {
    std::string why;
    const auto failed = [&](std::string_view what) {
        outcome = "200 (" + std::string(what) + (why.empty() ? "" : ": " + why) + ")";
        return std::string("200");
    };
    switch (command.kind) {
    case CommandKind::Add:
        ++m_counters.add;
        switch (m_backend->Add(command.mac, why)) {
        case AddResult::Added:
            outcome = "701 (added " + FormatEntryText(command.mac) + Detail(why) + ")";
            return "701";
        case AddResult::AlreadyListed:
            outcome = "701 (already listed)";
            return "701";
        case AddResult::Full:
            outcome = "200 (list full)";
            return "200";
        case AddResult::Failed:
            return failed("not added");
        }
        break;
    case CommandKind::Delete:
        ++m_counters.del;
        switch (m_backend->Delete(command.mac, why)) {
        case DeleteResult::Deleted:
            outcome = "701 (deleted" + Detail(why) + ")";
            return "701";
        case DeleteResult::NotListed:
            outcome = "200 (not listed)";
            return "200";
        case DeleteResult::Failed:
            return failed("not deleted");
        }
        break;
    case CommandKind::List: {
        ++m_counters.list;
        const auto list = m_backend->List(why);
        if (!list) return failed("no list");
        outcome = "list " + std::to_string(list->size());
        return ListAnswer(*list);
    }
    case CommandKind::Filter:
        ++m_counters.filter;
        if (!m_backend->SetFilter(command.filterOn, why)) return failed("filter unchanged");
        outcome = std::string(command.filterOn ? "filter on" : "filter off") + Detail(why);
        return command.filterOn ? "701 filter on" : "701 filter off";
    case CommandKind::CloseRequest:
        ++m_counters.closeRequest;
        outcome = "close request (no answer)";
        return {};
    case CommandKind::Apply:
        ++m_counters.apply;
        outcome = m_backend->Apply(why) ? "applied" + Detail(why) + " (no answer)"
                                        : "not applied: " + why + " (no answer)";
        return {};
    case CommandKind::BadArgument:
        // Counted under its code: the program did send that command, only not in a form we take.
        ++(command.code == 0xfff0   ? m_counters.add
           : command.code == 0xfff1 ? m_counters.del
           : command.code == 0xfff3 ? m_counters.list
           : command.code == 0xfff4 ? m_counters.closeRequest
           : command.code == 0xfff5 ? m_counters.filter
                                    : m_counters.apply);
        outcome = "200 (malformed)";
        return "200";
    case CommandKind::UnknownCode:
        ++m_counters.other;
        outcome = "200 (unknown code)";
        return "200";
    case CommandKind::Malformed:
        break;
    }
    ++m_counters.other;
    outcome = "200 (malformed)";
    return "200";
}

Reply Engine::HandleCommand(std::string_view line, bool overlong) {
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

    Command command;
    if (!overlong) command = ParseCommandLine(line);
    const bool answered = command.kind != CommandKind::CloseRequest && command.kind != CommandKind::Apply;

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
    } else if (overlong) {
        ++m_counters.other;
        answer = "200";
        outcome = "200 (overlong)";
    } else {
        answer = Perform(command, outcome);
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
    std::string why;
    const auto failed = [&why]() { return "error " + EscapeForLog(why) + "\n"; };
    if (cmd == "add") {
        const auto mac = words.size() > 1 ? ParseMacLoose(Rest(line, cmd)) : std::nullopt;
        if (!mac) return "error usage: add MAC\n";
        const AddResult result = m_backend->Preload(*mac, why);
        return result == AddResult::Added || result == AddResult::AlreadyListed ? "ok\n" : failed();
    }
    if (cmd == "clear") return m_backend->Clear(why) ? "ok\n" : failed();
    if (cmd == "list") {
        const auto list = m_backend->List(why);
        if (!list) return failed();
        std::string out;
        for (const Mac& mac : *list)
            out += FormatEntryText(mac) + "\n";
        return out + "ok " + std::to_string(list->size()) + "\n";
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
               " filter=" + (Filter() ? (*Filter() ? "on" : "off") : "unset") + "\n";
    }
    if (cmd == "reset") {
        // Back to the state at start; the connection, if any, stays.
        const bool connected = m_counters.connected;
        m_backend->Reset();
        m_faults = m_initialFaults;
        m_counters = Counters{};
        m_counters.connected = connected;
        m_log.clear();
        return "ok\n";
    }
    if (cmd == "help") {
        return "refuse N | garbage N [TEXT] | split OFFSETS|off | split-gap MS | pad-full on|off | delay MS\n"
               "close-after N [silent] | add MAC | clear | list | log | stats | reset | help\nok\n";
    }
    return "error unknown command: " + EscapeForLog(cmd) + "\n";
}

} // namespace apd
