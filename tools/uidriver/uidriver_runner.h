// Runs parsed steps against a target program through an interface, so that the step logic (waits, time-outs,
// box bookkeeping, answers, the report) needs no window system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/uidriver/uidriver_rows.h"
#include "tools/uidriver/uidriver_script.h"

namespace uidriver {

// A message box (or any other dialog box) of the target that is not its main dialog.
struct BoxInfo {
    uint64_t id = 0; // stable while the box is open
    std::u16string caption;
    std::u16string text;
};

enum class UiStatus {
    Ok,
    NoWindow,  // the main window is not there (not found yet, or gone)
    NoControl, // no control has that id
    Disabled,  // the control does not take clicks
    NoButton,  // the box has no such button
    NoBox,     // the box has gone
    NoAnswer,  // the program did not answer a read in time (busy in a handler)
    Failed,    // the system refused the request
};

// The program being driven. Nothing here may block for long: a program busy in a handler or a modal
// box must not hang the driver.
class UiTarget {
  public:
    virtual ~UiTarget() = default;
    // Looks for the main dialog; true once it is found (it stays found while it exists).
    virtual bool FindMainWindow() = 0;
    virtual uint32_t ProcessId() = 0;
    virtual UiStatus Title(std::u16string& out) = 0;
    virtual UiStatus ControlText(int id, std::u16string& out) = 0;
    virtual UiStatus CheckState(int id, int& state) = 0;
    virtual UiStatus Click(int id) = 0;
    virtual UiStatus SysCommand(int code) = 0;
    // Client size of the check-list's inner view, and its row layout when the view tells it (layout is
    // left as it is otherwise).
    virtual UiStatus RowView(int32_t& width, int32_t& height, RowGeometry& layout) = 0;
    // A left-button press and release at a client point of the inner view.
    virtual UiStatus ClickRowView(int32_t x, int32_t y) = 0;
    // Boxes open now, any order.
    virtual std::vector<BoxInfo> OpenBoxes() = 0;
    virtual UiStatus AnswerBox(uint64_t id, int button) = 0;
    virtual UiStatus Close() = 0;
    // True when the program has ended (or, for a program found without a process, its window has gone).
    virtual bool HasExited() = 0;
};

// Time, the report and the box log.
class RunnerIo {
  public:
    virtual ~RunnerIo() = default;
    virtual int64_t NowMs() = 0;
    virtual void SleepMs(int64_t ms) = 0;
    virtual void Print(const std::string& line) = 0; // one UTF-8 line, no newline
    virtual bool AppendLine(const std::string& path, const std::string& line) = 0;
};

struct RunnerSettings {
    RowGeometry rows;
    bool rowsGiven = false; // rows as the options gave them, not as the check-list tells
    int autoAnswer = 0;
    std::string boxesLog;
};

inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// How often waits look at the program.
inline constexpr int64_t kPollMs = 25;
// A click on a disabled button waits this long for it to be enabled: the program greys its operation
// buttons until the handler that opened a box has returned, a moment after the box is answered.
inline constexpr int64_t kClickEnableWaitMs = 3000;
// How long an answered box may take to go away.
inline constexpr int64_t kBoxCloseMs = 5000;

class Runner {
  public:
    Runner(UiTarget& target, RunnerIo& io, RunnerSettings settings);

    // Runs the steps in order up to the first failure; kExitPassed or kExitFailed.
    int Run(const std::vector<Step>& steps);

  private:
    struct KnownBox {
        BoxInfo info;
        bool answered = false;
    };

    bool RunStep(const Step& step, std::string& result);
    bool NeedWindow(std::string& result);
    // Looks at the open boxes: reports new ones, logs the ones that went away unanswered, and with
    // autoAnswer answers unanswered ones under the answer-all setting.
    void PollBoxes(bool autoAnswer);
    bool Answer(KnownBox& box, int button, const char* how);
    void Log(const BoxInfo& box, const std::string& answer);
    // Sleeps one poll period (or maxMs when shorter), watching boxes. False when the program has ended.
    bool Tick(bool autoAnswer, int64_t maxMs = kPollMs);
    std::string OpenBoxesNote();
    std::string Describe(UiStatus status, int id);

    bool ExpectBox(const Step& step, std::string& result);
    bool WaitText(const Step& step, bool title, std::string& result);
    bool WaitExit(const Step& step, std::string& result);

    UiTarget& m_Target;
    RunnerIo& m_Io;
    RunnerSettings m_Settings;
    bool m_bFound = false;
    bool m_bLogWarned = false;
    std::vector<KnownBox> m_Boxes; // in the order they were seen
};

// True when text is one of the accepted texts.
bool MatchesAny(const std::u16string& text, const std::vector<std::u16string>& accepted);

} // namespace uidriver
