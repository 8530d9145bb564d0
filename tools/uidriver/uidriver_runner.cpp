// The UI driver's step logic: waits with time-outs, box bookkeeping and answers, and the report lines.
#include "tools/uidriver/uidriver_runner.h"

#include <algorithm>

#include "tools/uidriver/uidriver_text.h"

namespace uidriver {

namespace {

std::string Seconds(int64_t ms) {
    std::string s = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string frac = std::to_string(1000 + ms % 1000).substr(1);
        while (!frac.empty() && frac.back() == '0')
            frac.pop_back();
        s += "." + frac;
    }
    return s + " s";
}

std::string Alternatives(const std::vector<std::u16string>& texts) {
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out += " or ";
        out += Quoted(texts[i]);
    }
    return out;
}

std::string BoxText(const BoxInfo& box) {
    return "caption " + Quoted(box.caption) + ", text " + Quoted(box.text);
}

} // namespace

bool MatchesAny(const std::u16string& text, const std::vector<std::u16string>& accepted) {
    return std::find(accepted.begin(), accepted.end(), text) != accepted.end();
}

Runner::Runner(UiTarget& target, RunnerIo& io, RunnerSettings settings)
    : m_Target(target), m_Io(io), m_Settings(std::move(settings)) {}

int Runner::Run(const std::vector<Step>& steps) {
    int code = kExitPassed;
    std::size_t passed = 0;
    for (const Step& step : steps) {
        std::string result;
        bool ok = RunStep(step, result);
        m_Io.Print(std::string(ok ? "" : "FAIL ") + step.origin + ": " + step.source + " -> " + result);
        if (!ok) {
            code = kExitFailed;
            break;
        }
        ++passed;
    }
    // The log names every box seen, also those nobody answered (gone with the program, or still open).
    PollBoxes(false);
    for (const KnownBox& box : m_Boxes) {
        if (!box.answered) Log(box.info, "open");
    }
    if (code == kExitPassed) {
        m_Io.Print("uidriver: all " + std::to_string(passed) + " steps passed");
    } else {
        m_Io.Print("uidriver: failed after " + std::to_string(passed) + " of " +
                   std::to_string(steps.size()) + " steps");
    }
    return code;
}

std::string Runner::Describe(UiStatus status, int id) {
    switch (status) {
    case UiStatus::Ok:
        return "ok";
    case UiStatus::NoWindow:
        return "the main dialog is not there" + OpenBoxesNote();
    case UiStatus::NoControl:
        return "the main dialog has no control " + std::to_string(id);
    case UiStatus::Disabled:
        return "control " + std::to_string(id) + " is disabled";
    case UiStatus::NoButton:
        return "the box has no such button";
    case UiStatus::NoBox:
        return "the box has gone";
    case UiStatus::NoAnswer:
        return "the program did not answer in time (busy in a handler?)";
    case UiStatus::Failed:
        break;
    }
    return "the system refused the request";
}

std::string Runner::OpenBoxesNote() {
    std::string note;
    for (const KnownBox& box : m_Boxes) {
        if (!box.answered) note += "; a box is open: " + BoxText(box.info);
    }
    return note;
}

bool Runner::NeedWindow(std::string& result) {
    if (!m_bFound) m_bFound = m_Target.FindMainWindow();
    if (m_bFound) return true;
    result = "no main dialog found (wait-window first)";
    return false;
}

void Runner::Log(const BoxInfo& box, const std::string& answer) {
    if (m_Settings.boxesLog.empty()) return;
    std::string line = LogField(box.caption) + "\t" + LogField(box.text) + "\t" + answer;
    if (!m_Io.AppendLine(m_Settings.boxesLog, line) && !m_bLogWarned) {
        m_bLogWarned = true;
        m_Io.Print("  warning: cannot append to the box log " + m_Settings.boxesLog);
    }
}

void Runner::PollBoxes(bool autoAnswer) {
    if (!m_bFound) return;
    std::vector<BoxInfo> open = m_Target.OpenBoxes();
    auto isOpen = [&open](uint64_t id) {
        return std::any_of(open.begin(), open.end(), [id](const BoxInfo& b) { return b.id == id; });
    };
    for (auto it = m_Boxes.begin(); it != m_Boxes.end();) {
        if (isOpen(it->info.id)) {
            ++it;
            continue;
        }
        if (!it->answered) {
            m_Io.Print("  box closed without an answer from the driver: " + BoxText(it->info));
            Log(it->info, "-");
        }
        it = m_Boxes.erase(it);
    }
    // The target lists the topmost box first: seen in reverse, the newest box ends up last.
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        uint64_t id = it->id;
        bool known =
            std::any_of(m_Boxes.begin(), m_Boxes.end(), [id](const KnownBox& k) { return k.info.id == id; });
        if (known) continue;
        m_Boxes.push_back(KnownBox{*it, false});
        m_Io.Print("  box opened: " + BoxText(*it));
    }
    if (!autoAnswer || m_Settings.autoAnswer == 0) return;
    for (auto it = m_Boxes.rbegin(); it != m_Boxes.rend(); ++it) {
        if (it->answered) continue;
        // A box without the chosen button is still closed: Cancel where there is one, else OK.
        if (Answer(*it, m_Settings.autoAnswer, "answer-all")) continue;
        if (m_Settings.autoAnswer != kButtonCancel && Answer(*it, kButtonCancel, "answer-all")) continue;
        if (m_Settings.autoAnswer != kButtonOk) Answer(*it, kButtonOk, "answer-all");
    }
}

bool Runner::Answer(KnownBox& box, int button, const char* how) {
    if (m_Target.AnswerBox(box.info.id, button) != UiStatus::Ok) return false;
    box.answered = true;
    Log(box.info, ButtonName(button));
    if (how) m_Io.Print("  box answered " + ButtonName(button) + " (" + how + "): " + BoxText(box.info));
    return true;
}

bool Runner::Tick(bool autoAnswer, int64_t maxMs) {
    const int64_t ms = std::clamp<int64_t>(maxMs, 1, kPollMs);
    if (m_bFound && m_Target.HasExited()) {
        m_Io.SleepMs(ms);
        return false;
    }
    PollBoxes(autoAnswer);
    m_Io.SleepMs(ms);
    return true;
}

bool Runner::WaitText(const Step& step, bool title, std::string& result) {
    if (!NeedWindow(result)) return false;
    const int64_t start = m_Io.NowMs();
    std::u16string text;
    for (;;) {
        UiStatus status = title ? m_Target.Title(text) : m_Target.ControlText(step.id, text);
        if (status == UiStatus::Ok && MatchesAny(text, step.texts)) {
            result = Quoted(text) + " after " + std::to_string(m_Io.NowMs() - start) + " ms";
            return true;
        }
        if (status == UiStatus::NoControl) {
            result = Describe(status, step.id);
            return false;
        }
        if (m_Target.HasExited()) {
            result = "the program ended; the text was " + Quoted(text);
            return false;
        }
        if (m_Io.NowMs() - start >= step.timeoutMs) {
            result = "still " + Quoted(text) + " after " + Seconds(step.timeoutMs) + ", expected " +
                     Alternatives(step.texts) + OpenBoxesNote();
            return false;
        }
        Tick(true);
    }
}

bool Runner::WaitExit(const Step& step, std::string& result) {
    const int64_t start = m_Io.NowMs();
    for (;;) {
        if (m_Target.HasExited()) {
            result = "ended after " + std::to_string(m_Io.NowMs() - start) + " ms";
            return true;
        }
        if (m_Io.NowMs() - start >= step.timeoutMs) {
            result = "still running after " + Seconds(step.timeoutMs) + OpenBoxesNote();
            return false;
        }
        Tick(true);
    }
}

bool Runner::ExpectBox(const Step& step, std::string& result) {
    if (!NeedWindow(result)) return false;
    const int64_t start = m_Io.NowMs();
    for (;;) {
        PollBoxes(false);
        auto it =
            std::find_if(m_Boxes.rbegin(), m_Boxes.rend(), [](const KnownBox& k) { return !k.answered; });
        if (it != m_Boxes.rend()) {
            const BoxInfo box = it->info;
            const int64_t seen = m_Io.NowMs() - start; // what benchmarks read: the wait for the box
            bool textOk = step.anyText || MatchesAny(box.text, step.texts);
            bool captionOk = !step.hasCaption || box.caption == step.caption;
            if (!textOk || !captionOk) {
                result = "the box that opened has " + BoxText(box) + "; expected " +
                         (step.anyText ? std::string("any text") : "text " + Alternatives(step.texts)) +
                         (step.hasCaption ? ", caption " + Quoted(step.caption) : std::string());
                return false;
            }
            if (!Answer(*it, step.button, nullptr)) {
                result = "the box has no " + ButtonName(step.button) + " button: " + BoxText(box);
                return false;
            }
            const int64_t answered = m_Io.NowMs();
            for (;;) {
                PollBoxes(false);
                uint64_t id = box.id;
                bool open = std::any_of(m_Boxes.begin(), m_Boxes.end(),
                                        [id](const KnownBox& k) { return k.info.id == id; });
                if (!open) break;
                if (m_Io.NowMs() - answered >= kBoxCloseMs) {
                    result = "answered " + ButtonName(step.button) + " but the box is still open after " +
                             Seconds(kBoxCloseMs) + ": " + BoxText(box);
                    return false;
                }
                m_Io.SleepMs(kPollMs);
            }
            result = "answered " + ButtonName(step.button) + " after " + std::to_string(seen) +
                     " ms: " + BoxText(box);
            return true;
        }
        if (m_Target.HasExited()) {
            result = "the program ended without showing the box";
            return false;
        }
        if (m_Io.NowMs() - start >= step.timeoutMs) {
            result = "no box within " + Seconds(step.timeoutMs);
            return step.optional;
        }
        m_Io.SleepMs(kPollMs);
    }
}

bool Runner::RunStep(const Step& step, std::string& result) {
    std::u16string text;
    UiStatus status = UiStatus::Ok;
    switch (step.kind) {
    case StepKind::WaitWindow: {
        const int64_t start = m_Io.NowMs();
        for (;;) {
            if (m_Target.FindMainWindow()) {
                m_bFound = true;
                m_Target.Title(text);
                result = "found " + Quoted(text) + " of process " + std::to_string(m_Target.ProcessId()) +
                         " after " + std::to_string(m_Io.NowMs() - start) + " ms";
                return true;
            }
            if (m_Io.NowMs() - start >= step.timeoutMs) {
                result = "no main dialog within " + Seconds(step.timeoutMs);
                return false;
            }
            m_Io.SleepMs(kPollMs);
        }
    }
    case StepKind::ExpectTitle:
    case StepKind::ExpectTitlePrefix:
    case StepKind::ReadTitle:
        if (!NeedWindow(result)) return false;
        status = m_Target.Title(text);
        if (status != UiStatus::Ok) {
            result = Describe(status, 0);
            return false;
        }
        result = Quoted(text);
        if (step.kind == StepKind::ExpectTitle && !MatchesAny(text, step.texts)) {
            result = "the title is " + Quoted(text) + ", expected " + Alternatives(step.texts);
            return false;
        }
        if (step.kind == StepKind::ExpectTitlePrefix && text.rfind(step.texts[0], 0) != 0) {
            result = "the title " + Quoted(text) + " does not begin with " + Quoted(step.texts[0]);
            return false;
        }
        return true;
    case StepKind::WaitTitle:
        return WaitText(step, true, result);
    case StepKind::Read:
    case StepKind::ExpectText:
        if (!NeedWindow(result)) return false;
        status = m_Target.ControlText(step.id, text);
        if (status != UiStatus::Ok) {
            result = Describe(status, step.id);
            return false;
        }
        result = Quoted(text);
        if (step.kind == StepKind::ExpectText && !MatchesAny(text, step.texts)) {
            result = "control " + std::to_string(step.id) + " reads " + Quoted(text) + ", expected " +
                     Alternatives(step.texts);
            return false;
        }
        return true;
    case StepKind::WaitText:
        return WaitText(step, false, result);
    case StepKind::ReadCheck:
    case StepKind::ExpectCheck: {
        if (!NeedWindow(result)) return false;
        int state = -1;
        status = m_Target.CheckState(step.id, state);
        if (status != UiStatus::Ok) {
            result = Describe(status, step.id);
            return false;
        }
        result = "state " + std::to_string(state);
        if (step.kind == StepKind::ExpectCheck && state != step.value) {
            result = "control " + std::to_string(step.id) + " has state " + std::to_string(state) +
                     ", expected " + std::to_string(step.value);
            return false;
        }
        return true;
    }
    case StepKind::Click: {
        if (!NeedWindow(result)) return false;
        const int64_t until = m_Io.NowMs() + kClickEnableWaitMs;
        while ((status = m_Target.Click(step.id)) == UiStatus::Disabled && m_Io.NowMs() < until &&
               Tick(false)) {
        }
        result = status == UiStatus::Ok ? "clicked" : Describe(status, step.id);
        return status == UiStatus::Ok;
    }
    case StepKind::SysCommand:
        if (!NeedWindow(result)) return false;
        status = m_Target.SysCommand(step.value);
        result = status == UiStatus::Ok ? "posted" : Describe(status, 0);
        return status == UiStatus::Ok;
    case StepKind::ClickRow: {
        if (!NeedWindow(result)) return false;
        int32_t width = 0, height = 0;
        // The view's own layout, unless the options gave one.
        RowGeometry layout = m_Settings.rows, unused;
        status = m_Target.RowView(width, height, m_Settings.rowsGiven ? unused : layout);
        if (status == UiStatus::NoControl) {
            result = "the main dialog has no check-list";
            return false;
        }
        if (status != UiStatus::Ok) {
            result = Describe(status, 0);
            return false;
        }
        RowPoint point;
        std::string why;
        if (!RowClickPoint(layout, step.value, step.part, width, height, point, why)) {
            result = why;
            return false;
        }
        status = m_Target.ClickRowView(point.x, point.y);
        result = status == UiStatus::Ok
                     ? "pressed at (" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")"
                     : Describe(status, 0);
        return status == UiStatus::Ok;
    }
    case StepKind::ExpectBox:
        return ExpectBox(step, result);
    case StepKind::AnswerAll:
        m_Settings.autoAnswer = step.button;
        result = step.button ? "unexpected boxes are answered " + ButtonName(step.button)
                             : "unexpected boxes stay open";
        if (m_bFound && !m_Target.HasExited()) PollBoxes(true);
        return true;
    case StepKind::BoxesLog:
        m_Settings.boxesLog = step.path;
        m_bLogWarned = false;
        result = "boxes are logged to " + step.path;
        return true;
    case StepKind::Sleep: {
        const int64_t start = m_Io.NowMs();
        for (int64_t left = step.timeoutMs; left > 0; left = step.timeoutMs - (m_Io.NowMs() - start)) {
            Tick(true, left);
        }
        result = "slept " + std::to_string(m_Io.NowMs() - start) + " ms";
        return true;
    }
    case StepKind::Close:
        if (!NeedWindow(result)) return false;
        status = m_Target.Close();
        if (status != UiStatus::Ok && !m_Target.HasExited()) {
            result = Describe(status, 0);
            return false;
        }
        return WaitExit(step, result);
    case StepKind::WaitExit:
        if (!NeedWindow(result)) return false;
        return WaitExit(step, result);
    }
    result = "unknown step";
    return false;
}

} // namespace uidriver
