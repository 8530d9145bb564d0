// The AP's protocol state machine: command lines in, answers and fault shaping out.
#include "apd/core/ap_engine.h"

#include <algorithm>
#include <cstdio>

namespace apd {

namespace {

constexpr std::string_view kEndEntryText = "00 00 00 00 00 00";

// What the backend said about a success (e.g. hostapd's answer), for the log.
std::string Detail(const std::string& why) {
    return why.empty() ? std::string() : "; " + why;
}

} // namespace

std::optional<Mac> ParseMacLoose(std::string_view text) {
    Mac mac{};
    std::size_t digits = 0;
    for (char c : text) {
        if (c == ':' || c == '-' || c == ' ' || c == '.') continue;
        const int v = common::HexDigit(c, HexCase::Any);
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

Engine::Engine(std::unique_ptr<Backend> backend) : m_backend(std::move(backend)) {}

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

void Engine::WriteLog(std::string_view line, std::string_view outcome, LogLevel level) {
    std::string text = "\"" + EscapeForLog(line) + "\" -> " + std::string(outcome);
    if (m_keepLines > 0) {
        if (m_log.size() >= m_keepLines) m_log.erase(m_log.begin());
        m_log.push_back(text);
    }
    if (m_logSink) m_logSink(level, text);
}

std::string Engine::ListAnswer(const std::vector<Mac>& list) {
    std::string answer;
    auto append = [&answer](std::string_view macText) {
        answer += kWireAccepted;
        answer += kWireEntryFiller;
        answer += macText;
    };
    for (const Mac& mac : list)
        append(FormatEntryText(mac));
    append(kEndEntryText);
    return answer;
}

// Carries out one command; returns its answer (empty: none) and describes it in outcome.
std::string Engine::Perform(const Command& command, std::string& outcome, LogLevel& level) {
    std::string why;
    // Every refusal is worth the owner's look; successes are information.
    level = LogLevel::Warning;
    const auto failed = [&](std::string_view what) {
        outcome = "200 (" + std::string(what) + (why.empty() ? "" : ": " + why) + ")";
        return std::string(kWireRefused);
    };
    switch (command.kind) {
    case CommandKind::Add:
        ++m_counters.add;
        switch (m_backend->Add(command.mac, why)) {
        case AddResult::Added:
            level = LogLevel::Info;
            outcome = "701 (added " + FormatEntryText(command.mac) + Detail(why) + ")";
            return std::string(kWireAccepted);
        case AddResult::AlreadyListed:
            level = LogLevel::Info;
            outcome = "701 (already listed)";
            return std::string(kWireAccepted);
        case AddResult::Full:
            outcome = "200 (list full)";
            return std::string(kWireRefused);
        case AddResult::Failed:
            return failed("not added");
        }
        break;
    case CommandKind::Delete:
        ++m_counters.del;
        switch (m_backend->Delete(command.mac, why)) {
        case DeleteResult::Deleted:
            level = LogLevel::Info;
            outcome = "701 (deleted" + Detail(why) + ")";
            return std::string(kWireAccepted);
        case DeleteResult::NotListed:
            outcome = "200 (not listed)";
            return std::string(kWireRefused);
        case DeleteResult::Failed:
            return failed("not deleted");
        }
        break;
    case CommandKind::List: {
        ++m_counters.list;
        const auto list = m_backend->List(why);
        if (!list) return failed("no list");
        // A client may read the list as often as it likes: not a change, and not for the owner's log.
        level = LogLevel::Debug;
        outcome = "list " + std::to_string(list->size());
        return ListAnswer(*list);
    }
    case CommandKind::Filter:
        ++m_counters.filter;
        if (!m_backend->SetFilter(command.filterOn, why)) return failed("filter unchanged");
        level = LogLevel::Info;
        outcome = std::string(command.filterOn ? "filter on" : "filter off") + Detail(why);
        return std::string(kWireAccepted) + (command.filterOn ? " filter on" : " filter off");
    case CommandKind::CloseRequest:
        ++m_counters.closeRequest;
        level = LogLevel::Info;
        outcome = "close request (no answer)";
        return {};
    case CommandKind::Apply:
        ++m_counters.apply;
        switch (m_backend->Apply(why)) {
        case ApplyResult::Written:
            level = LogLevel::Info;
            break;
        case ApplyResult::Unchanged:
            level = LogLevel::Debug;
            break;
        case ApplyResult::Failed:
            // The program reads no answer to apply: the log is the only place this failure shows.
            outcome = "not applied: " + why + " (no answer)";
            return {};
        case ApplyResult::PartlyWritten:
            level = LogLevel::Error;
            outcome = "not applied: " + why + " (no answer)";
            return {};
        }
        outcome = "applied" + Detail(why) + " (no answer)";
        return {};
    case CommandKind::BadArgument:
        // Counted under its code: the program did send that command, only not in a form we take.
        ++(command.code == WireCode::Add            ? m_counters.add
           : command.code == WireCode::Delete       ? m_counters.del
           : command.code == WireCode::List         ? m_counters.list
           : command.code == WireCode::CloseRequest ? m_counters.closeRequest
           : command.code == WireCode::Filter       ? m_counters.filter
                                                    : m_counters.apply);
        outcome = "200 (malformed)";
        return std::string(kWireRefused);
    case CommandKind::UnknownCode:
        ++m_counters.other;
        outcome = "200 (unknown code)";
        return std::string(kWireRefused);
    case CommandKind::Malformed:
        break;
    }
    ++m_counters.other;
    outcome = "200 (malformed)";
    return std::string(kWireRefused);
}

std::string Engine::Answer(std::string_view line, bool overlong, std::string_view logSuffix) {
    std::string outcome;
    std::string answer;
    LogLevel level = LogLevel::Warning;
    if (overlong) {
        ++m_counters.other;
        answer = kWireRefused;
        outcome = "200 (overlong)";
    } else {
        answer = Perform(ParseCommandLine(line), outcome, level);
    }
    WriteLog(line, outcome + std::string(logSuffix), level);
    return answer;
}

void Engine::ResetStats() {
    const bool connected = m_counters.connected;
    m_counters = Counters{};
    m_counters.connected = connected;
    m_log.clear();
}

} // namespace apd
