// The AP protocol: answers to command lines and the command log; a backend keeps the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apd/core/ap_backend.h"
#include "apd/core/ap_lines.h"

namespace apd {

// syslog's priorities, which the journal reads from a line's "<N>" prefix.
enum class LogLevel { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

// The wire's texts, as every answer of ours spells them.
using common::kWireAccepted;
using common::kWireEntryFiller;
using common::kWireRefused;
inline constexpr std::size_t kEntrySize = common::kWireEntryMacOffset + common::kWireListEnd.size();

struct Counters {
    int add = 0, del = 0, list = 0, closeRequest = 0, filter = 0, apply = 0, other = 0;
    int connections = 0;
    bool connected = false;
};

// "02:11:22:33:44:55", "021122334455", "02 11 22 33 44 55" or "02-11-...": twelve hexadecimal digits.
std::optional<Mac> ParseMacLoose(std::string_view text);
std::string FormatEntryText(const Mac& mac); // "02 11 22 33 44 55"
// Non-printable bytes as \xNN, quotes and backslashes escaped.
std::string EscapeForLog(std::string_view bytes);

// The protocol once for every backend: parses each line, asks the backend, shapes and logs the answer.
class Engine {
  public:
    explicit Engine(std::unique_ptr<Backend> backend);

    // One command line without its terminating carriage return; overlong: it was cut, and is refused.
    // Performs it, logs it (logSuffix ends the log line) and returns its answer; empty: it has none.
    std::string Answer(std::string_view line, bool overlong = false, std::string_view logSuffix = {});
    void WriteLog(std::string_view line, std::string_view outcome, LogLevel level = LogLevel::Info);

    void NoteConnected();
    void NoteDisconnected();
    // Counters and log as at start; whether a client is connected stays.
    void ResetStats();

    // Called with each log line as it is written, at its level: failures at Warning or Error, list answers
    // and applies that changed nothing at Debug.
    void SetLogSink(std::function<void(LogLevel, const std::string&)> sink) { m_logSink = std::move(sink); }
    // Keeps the last maxLines log lines for Log(); none unless asked (a daemon never reads them back).
    void KeepLog(std::size_t maxLines) { m_keepLines = maxLines; }

    // The backend's list now (empty when it cannot be read).
    std::vector<Mac> List();
    Backend& GetBackend() { return *m_backend; }
    const std::vector<std::string>& Log() const { return m_log; }
    const Counters& Stats() const { return m_counters; }
    std::optional<bool> Filter() const { return m_backend->Filter(); }

    // Every entry, then the end entry.
    static std::string ListAnswer(const std::vector<Mac>& list);

  private:
    std::string Perform(const Command& command, std::string& outcome, LogLevel& level);

    std::unique_ptr<Backend> m_backend;
    Counters m_counters;
    std::vector<std::string> m_log;
    std::size_t m_keepLines = 0;
    std::function<void(LogLevel, const std::string&)> m_logSink;
};

} // namespace apd
