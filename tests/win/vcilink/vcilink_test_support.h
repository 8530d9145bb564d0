// Helpers of the VCI link tests: message pumping with deadlines, trace and message-box recorders.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "afxwin.h"

namespace vcitest {

// Dispatches this thread's messages for `ms` milliseconds.
void PumpFor(DWORD ms);
// Dispatches messages until `done` holds or `ms` milliseconds passed; returns whether it held, and the
// time it took in *elapsed. `seen` (optional) looks at each message before it is dispatched.
bool PumpUntil(const std::function<bool()>& done, DWORD ms, DWORD* elapsed = nullptr,
               const std::function<void(const MSG&)>& seen = nullptr);

// Every trace line of the process (both threads) while it lives.
class TraceRecorder {
  public:
    TraceRecorder();
    ~TraceRecorder();
    std::vector<std::string> Lines() const;
    bool Contains(const std::string& text) const;
    int Count(const std::string& text) const;
    void Clear();

  private:
    mutable std::mutex m_Mutex;
    std::vector<std::string> m_Lines;
};

// Answers every message box with OK after recording it; `onBox` (optional) runs first, inside the box's
// own loop.
class BoxRecorder {
  public:
    explicit BoxRecorder(std::function<void(const AfxMessageBoxRequest&)> onBox = nullptr);
    ~BoxRecorder();
    std::vector<AfxMessageBoxRequest> boxes;
    std::vector<CString> Texts() const;
};

// A hidden top-level window to be the parent of a link window under test.
class CHostWnd : public CWnd {
  public:
    CHostWnd();
};

} // namespace vcitest
