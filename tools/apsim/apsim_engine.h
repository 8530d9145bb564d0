// The simulated AP: the shared protocol with the faults tests set, and the control port's commands.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apd/core/ap_engine.h"

namespace apsim {

using namespace apd;

// The program reads at most this much per notification; pad-full fills whole reads of it.
inline constexpr std::size_t kProgramReadSize = 3000;
inline constexpr std::size_t kDefaultCapacity = 64;
inline constexpr std::string_view kDefaultGarbage = "xyz unexpected reply";

// What the server does with one command line.
struct Reply {
    std::vector<std::string> segments; // sent in order; empty when the command gets no answer
    int delayMs = 0;
    int gapMs = 0;
    bool close = false; // close the connection once the segments are out
};

struct Faults {
    int refuse = 0;  // the next N answered commands are refused and change nothing
    int garbage = 0; // the next N answered commands get garbageText and change nothing
    std::string garbageText = std::string(kDefaultGarbage);
    std::vector<std::size_t> split; // every answer is cut at these byte offsets into segments
    int splitGapMs = 100;           // pause between segments, long enough for separate reads
    bool padFull = false;           // list answers padded in front to a multiple of 3000 bytes
    int delayMs = 0;                // pause before each answer
    int closeAfter = 0;             // close the connection after this many more commands; 0 = off
    bool closeSilent = false;       // ... without answering or performing the last one
};

// "5,40" -> {5, 40}; offsets must be positive and rising.
std::optional<std::vector<std::size_t>> ParseSplitOffsets(std::string_view text);

// The protocol engine with the simulator's faults around it and its control port.
class SimEngine {
  public:
    SimEngine(std::unique_ptr<Backend> backend, Faults initialFaults);

    // One command line without its terminating carriage return; overlong: it was cut, and is refused.
    Reply HandleCommand(std::string_view line, bool overlong = false);
    // One control line; the answer ends with a line "ok ..." or "error ...", each line ending in "\n".
    std::string HandleControl(std::string_view line);

    void NoteConnected() { m_engine.NoteConnected(); }
    void NoteDisconnected() { m_engine.NoteDisconnected(); }
    // Every line, whatever its level: the simulator's log is for the tests that read it.
    void SetLogSink(std::function<void(const std::string&)> sink) {
        m_engine.SetLogSink([sink = std::move(sink)](LogLevel, const std::string& line) { sink(line); });
    }

    std::vector<Mac> List() { return m_engine.List(); }
    const std::vector<std::string>& Log() const { return m_engine.Log(); }
    const Counters& Stats() const { return m_engine.Stats(); }
    const Faults& CurrentFaults() const { return m_faults; }
    std::optional<bool> Filter() const { return m_engine.Filter(); }

  private:
    Reply Shape(std::string answer) const;

    Engine m_engine;
    Faults m_initialFaults;
    Faults m_faults;
};

} // namespace apsim
