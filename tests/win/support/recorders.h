// Recorders of what the program shows and traces while a test runs: its message boxes, answered as a
// user would, and its trace lines, with the moment each was written.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/afxwin.h"
#include "tests/win/support/cstring_printer.h"

namespace wintest {

// Milliseconds on the performance counter.
double ClockMs();

struct BoxSeen {
    CString text;
    CString caption;
    UINT type;
    bool closed = false;
};

// Records every box the program shows while it lives and answers it: by the test's rule if it gives
// one (0 from the rule: the default; kKeepOpen: ask again on the box's next tick), else OK, Yes, or
// Cancel for Retry/Cancel. The rule runs inside the box's own loop.
class BoxRecorder {
  public:
    static constexpr int kKeepOpen = -1;
    std::vector<BoxSeen> boxes;
    std::function<int(const BoxSeen&)> rule;

    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<CString> Texts() const;
    int Count(const wchar_t* text) const;
    // Pumps until a box with this text has been shown `occurrences` times and closed, and its handler
    // has returned.
    bool WaitFor(const wchar_t* text, int occurrences = 1, DWORD timeoutMs = 8000);
    void Clear() { boxes.clear(); }

  private:
    int Answer(const AfxMessageBoxRequest& r);
    std::map<HWND, size_t> m_open;
};

// Every trace line of the process (all threads) while it lives.
class TraceRecorder {
  public:
    struct Timed {
        double ms; // ClockMs() as the line was written
        std::string text;
    };
    // Called with each line as it is written, on the writer's thread; it must not trace.
    std::function<void(const std::string&)> onLine;

    TraceRecorder();
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    std::vector<Timed> TimedLines() const;
    std::vector<std::string> Lines() const;
    // The command texts of the "SendDataToAP" lines, in order.
    std::vector<std::string> Sent() const;
    bool Has(const std::string& line) const; // a whole line
    bool Contains(const std::string& text) const { return Count(text) > 0; }
    int Count(const std::string& text) const; // lines that contain it
    size_t CountStarting(const std::string& prefix) const;
    void Clear();

  private:
    mutable std::mutex m_mutex;
    std::vector<Timed> m_lines;
};

} // namespace wintest
