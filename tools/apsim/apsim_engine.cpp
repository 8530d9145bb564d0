// The simulated AP's faults around the shared protocol, and its control port.
#include "tools/apsim/apsim_engine.h"

#include <limits>

#include "tools/apsim/apsim_memory_backend.h"
#include "tools/common/tool_text.h"

namespace apsim {

namespace {

using tooltext::Words;

// The copy the control port's "log" answers; the printed log keeps everything.
constexpr std::size_t kMaxLogLines = 10000;

// A whole decimal number, 0 or more.
std::optional<int> ParseInt(std::string_view text) {
    const auto value = tooltext::ParseNumber(text, 0, std::numeric_limits<int>::max(), false);
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

std::string_view Rest(std::string_view line, std::string_view firstWord) {
    std::string_view rest = line.substr(line.find(firstWord) + firstWord.size());
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    return rest;
}

} // namespace

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

SimEngine::SimEngine(std::unique_ptr<Backend> backend, Faults initialFaults)
    : m_engine(std::move(backend)), m_initialFaults(std::move(initialFaults)), m_faults(m_initialFaults) {
    m_engine.KeepLog(kMaxLogLines);
}

Reply SimEngine::Shape(std::string answer) const {
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

Reply SimEngine::HandleCommand(std::string_view line, bool overlong) {
    bool close = false;
    if (m_faults.closeAfter > 0 && --m_faults.closeAfter == 0) {
        close = true;
        if (m_faults.closeSilent) {
            m_faults.closeSilent = false;
            m_engine.WriteLog(line, "closed without answer");
            Reply reply;
            reply.close = true;
            return reply;
        }
    }

    Command command;
    if (!overlong) command = ParseCommandLine(line);
    const bool answered = command.kind != CommandKind::CloseRequest && command.kind != CommandKind::Apply;
    const std::string_view suffix = close ? ", then closed" : "";

    std::string answer;
    if (answered && m_faults.refuse > 0) {
        --m_faults.refuse;
        answer = common::kWireRefused;
        m_engine.WriteLog(line, "200 (refused)" + std::string(suffix));
    } else if (answered && m_faults.garbage > 0) {
        --m_faults.garbage;
        answer = m_faults.garbageText;
        m_engine.WriteLog(line, "garbage" + std::string(suffix));
    } else {
        answer = m_engine.Answer(line, overlong, suffix);
        if (m_faults.padFull && command.kind == CommandKind::List && answer != common::kWireRefused &&
            answer.size() % kProgramReadSize != 0) {
            // Blanks in front hold no acceptance code, so the entries end exactly at the end of a full read.
            answer.insert(0, kProgramReadSize - answer.size() % kProgramReadSize, ' ');
        }
    }

    Reply reply;
    if (!answer.empty()) reply = Shape(std::move(answer));
    reply.close = close;
    return reply;
}

std::string SimEngine::HandleControl(std::string_view line) {
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
        auto* memory = dynamic_cast<MemoryBackend*>(&m_engine.GetBackend());
        const AddResult result = memory ? memory->Preload(*mac, why) : m_engine.GetBackend().Add(*mac, why);
        return result == AddResult::Added || result == AddResult::AlreadyListed ? "ok\n" : failed();
    }
    if (cmd == "clear") return m_engine.GetBackend().Clear(why) ? "ok\n" : failed();
    if (cmd == "list") {
        const auto list = m_engine.GetBackend().List(why);
        if (!list) return failed();
        std::string out;
        for (const Mac& mac : *list)
            out += FormatEntryText(mac) + "\n";
        return out + "ok " + std::to_string(list->size()) + "\n";
    }
    if (cmd == "log") {
        std::string out;
        for (const std::string& entry : m_engine.Log())
            out += entry + "\n";
        return out + "ok " + std::to_string(m_engine.Log().size()) + "\n";
    }
    if (cmd == "stats") {
        const Counters& c = m_engine.Stats();
        return "ok connections=" + std::to_string(c.connections) + " connected=" + (c.connected ? "1" : "0") +
               " fff0=" + std::to_string(c.add) + " fff1=" + std::to_string(c.del) +
               " fff3=" + std::to_string(c.list) + " fff4=" + std::to_string(c.closeRequest) +
               " fff5=" + std::to_string(c.filter) + " fff6=" + std::to_string(c.apply) +
               " other=" + std::to_string(c.other) +
               " filter=" + (Filter() ? (*Filter() ? "on" : "off") : "unset") + "\n";
    }
    if (cmd == "reset") {
        // Back to the state at start; the connection, if any, stays.
        m_engine.GetBackend().Reset();
        m_faults = m_initialFaults;
        m_engine.ResetStats();
        return "ok\n";
    }
    if (cmd == "help") {
        return "refuse N | garbage N [TEXT] | split OFFSETS|off | split-gap MS | pad-full on|off | delay MS\n"
               "close-after N [silent] | add MAC | clear | list | log | stats | reset | help\nok\n";
    }
    return "error unknown command: " + EscapeForLog(cmd) + "\n";
}

} // namespace apsim
