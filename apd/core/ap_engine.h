// The AP protocol: answers to command lines, the test faults, the command log; a backend keeps the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ap_backend.h"
#include "ap_lines.h"

namespace apd {

// Every list entry: "701", these four characters, the 17-character MAC text.
inline constexpr std::string_view kEntryFiller = "LIST";
inline constexpr std::size_t kEntrySize = 3 + 4 + 17;
// The program reads at most this much per notification; pad-full fills whole reads of it.
inline constexpr std::size_t kProgramReadSize = 3000;
inline constexpr std::size_t kDefaultCapacity = 64;
inline constexpr std::string_view kDefaultGarbage = "xyz unexpected reply";

struct Faults {
    int refuse = 0;  // the next N answered commands get "200" and change nothing
    int garbage = 0; // the next N answered commands get garbageText and change nothing
    std::string garbageText = std::string(kDefaultGarbage);
    std::vector<std::size_t> split; // every answer is cut at these byte offsets into segments
    int splitGapMs = 100;           // pause between segments, long enough for separate reads
    bool padFull = false;           // list answers padded in front to a multiple of 3000 bytes
    int delayMs = 0;                // pause before each answer
    int closeAfter = 0;             // close the connection after this many more commands; 0 = off
    bool closeSilent = false;       // ... without answering or performing the last one
};

// What the server does with one command line.
struct Reply {
    std::vector<std::string> segments; // sent in order; empty when the command gets no answer
    int delayMs = 0;
    int gapMs = 0;
    bool close = false; // close the connection once the segments are out
};

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
// "5,40" -> {5, 40}; offsets must be positive and rising.
std::optional<std::vector<std::size_t>> ParseSplitOffsets(std::string_view text);

// The protocol once for every backend: parses each line, asks the backend, shapes and logs the answer.
class Engine {
  public:
    Engine(std::unique_ptr<Backend> backend, Faults initialFaults = {});

    // One command line without its terminating carriage return; overlong: it was cut, and is refused.
    Reply HandleCommand(std::string_view line, bool overlong = false);
    // One control line; the answer ends with a line "ok ..." or "error ...", each line ending in "\n".
    std::string HandleControl(std::string_view line);

    void NoteConnected();
    void NoteDisconnected();

    // Called with each log line as it is written (the server prints or appends it to a file).
    void SetLogSink(std::function<void(const std::string&)> sink) { m_logSink = std::move(sink); }

    // The backend's list now (empty when it cannot be read).
    std::vector<Mac> List();
    const std::vector<std::string>& Log() const { return m_log; }
    const Counters& Stats() const { return m_counters; }
    const Faults& CurrentFaults() const { return m_faults; }
    std::optional<bool> Filter() const { return m_backend->Filter(); }

  private:
    std::string Perform(const Command& command, std::string& outcome);
    std::string ListAnswer(const std::vector<Mac>& list) const;
    Reply Shape(std::string answer) const;
    void WriteLog(std::string_view line, std::string_view outcome);

    std::unique_ptr<Backend> m_backend;
    Faults m_initialFaults;
    Faults m_faults;
    Counters m_counters;
    std::vector<std::string> m_log;
    std::function<void(const std::string&)> m_logSink;
};

} // namespace apd
