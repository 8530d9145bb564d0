// The step logic against a simulated program and clock: waits, time-outs, boxes and their answers, the log,
// and the report.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "tools/uidriver/uidriver_runner.h"

using namespace uidriver;

namespace {

// A program with a main dialog, labels, buttons, boxes and a check-list view, on a clock that moves only
// when the runner sleeps.
class FakeWorld : public UiTarget, public RunnerIo {
  public:
    struct Box {
        uint64_t id = 0;
        std::u16string caption;
        std::u16string text;
        std::vector<int> buttons;
        int64_t closesAfterAnswerMs = 0; // how long the box stays after an answer
        int64_t closeAt = -1;
    };

    // Things that happen by themselves at a time.
    void At(int64_t ms, std::function<void()> fn) { m_Timeline.push_back({ms, std::move(fn)}); }

    uint64_t OpenBox(std::u16string caption, std::u16string text, std::vector<int> buttons,
                     int64_t linger = 0) {
        Box b;
        b.id = ++m_NextBoxId;
        b.caption = std::move(caption);
        b.text = std::move(text);
        b.buttons = std::move(buttons);
        b.closesAfterAnswerMs = linger;
        boxes.push_back(b);
        return b.id;
    }

    // RunnerIo
    int64_t NowMs() override { return now; }
    void SleepMs(int64_t ms) override {
        EXPECT_GT(ms, 0);
        now += ms;
        Advance();
    }
    void Print(const std::string& line) override { printed.push_back(line); }
    bool AppendLine(const std::string& path, const std::string& line) override {
        if (path == "unwritable") return false;
        files[path] += line + "\n";
        return true;
    }

    // UiTarget
    bool FindMainWindow() override {
        ++findCalls;
        return windowAt >= 0 && now >= windowAt && !exited;
    }
    uint32_t ProcessId() override { return 42; }
    UiStatus Title(std::u16string& out) override {
        if (!Alive()) return UiStatus::NoWindow;
        out = title;
        return UiStatus::Ok;
    }
    UiStatus ControlText(int id, std::u16string& out) override {
        if (!Alive()) return UiStatus::NoWindow;
        auto it = texts.find(id);
        if (it == texts.end()) return UiStatus::NoControl;
        out = it->second;
        return UiStatus::Ok;
    }
    UiStatus CheckState(int id, int& state) override {
        if (!Alive()) return UiStatus::NoWindow;
        auto it = checks.find(id);
        if (it == checks.end()) return UiStatus::NoControl;
        state = it->second;
        return UiStatus::Ok;
    }
    UiStatus Click(int id) override {
        if (!Alive()) return UiStatus::NoWindow;
        if (texts.find(id) == texts.end()) return UiStatus::NoControl;
        if (id == disabledId) return UiStatus::Disabled;
        clicks.push_back(id);
        if (onClick) onClick(id);
        return UiStatus::Ok;
    }
    UiStatus SysCommand(int code) override {
        if (!Alive()) return UiStatus::NoWindow;
        sysCommands.push_back(code);
        if (code == 0x10) OpenBox(u"About Orvane", u"Orvane Version 1.0", {1});
        return UiStatus::Ok;
    }
    UiStatus RowView(int32_t& width, int32_t& height, RowGeometry&) override {
        if (!Alive()) return UiStatus::NoWindow;
        if (!hasView) return UiStatus::NoControl;
        width = viewWidth;
        height = viewHeight;
        return UiStatus::Ok;
    }
    UiStatus ClickRowView(int32_t x, int32_t y) override {
        rowClicks.push_back({x, y});
        return UiStatus::Ok;
    }
    std::vector<BoxInfo> OpenBoxes() override {
        ++boxPolls;
        std::vector<BoxInfo> out;
        // Topmost (newest) first, as the window list gives them.
        for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
            out.push_back({it->id, it->caption, it->text});
        return out;
    }
    UiStatus AnswerBox(uint64_t id, int button) override {
        for (Box& b : boxes) {
            if (b.id != id) continue;
            if (std::find(b.buttons.begin(), b.buttons.end(), button) == b.buttons.end())
                return UiStatus::NoButton;
            std::u16string text = b.text;
            answers.push_back({text, button});
            b.closeAt = now + b.closesAfterAnswerMs;
            Advance(); // b may be gone from here on
            if (onAnswer) onAnswer(text, button);
            return UiStatus::Ok;
        }
        return UiStatus::NoBox;
    }
    UiStatus Close() override {
        if (!Alive()) return UiStatus::NoWindow;
        closeRequests++;
        if (exitDelayMs >= 0) At(now + exitDelayMs, [this] { exited = true; });
        return UiStatus::Ok;
    }
    bool HasExited() override { return exited; }

    int64_t now = 0;
    int64_t windowAt = 0;
    bool exited = false;
    int64_t exitDelayMs = 100; // after WM_CLOSE; -1: never
    std::u16string title = u"Orvane(Ver : 0.64)";
    std::map<int, std::u16string> texts{{1, u"종료"},      {1014, u"AP 미연결"}, {1015, u"AP : "},
                                        {1016, u"auto"},   {1025, u"Test"},      {1023, u"Enable"},
                                        {1024, u"Disable"}};
    std::map<int, int> checks{{1023, 1}, {1024, 0}};
    int disabledId = -1;
    bool hasView = true;
    int32_t viewWidth = 262;
    int32_t viewHeight = 300;
    std::vector<Box> boxes;
    std::function<void(int)> onClick;
    std::function<void(const std::u16string&, int)> onAnswer;

    std::vector<std::string> printed;
    std::map<std::string, std::string> files;
    std::vector<int> clicks;
    std::vector<int> sysCommands;
    std::vector<std::pair<int32_t, int32_t>> rowClicks;
    std::vector<std::pair<std::u16string, int>> answers;
    int findCalls = 0;
    int boxPolls = 0;
    int closeRequests = 0;

  private:
    bool Alive() const { return windowAt >= 0 && now >= windowAt && !exited; }
    void Advance() {
        for (std::size_t i = 0; i < m_Timeline.size();) {
            if (m_Timeline[i].first <= now) {
                auto fn = std::move(m_Timeline[i].second);
                m_Timeline.erase(m_Timeline.begin() + static_cast<std::ptrdiff_t>(i));
                fn();
            } else {
                ++i;
            }
        }
        boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                                   [this](const Box& b) { return b.closeAt >= 0 && now >= b.closeAt; }),
                    boxes.end());
    }

    std::vector<std::pair<int64_t, std::function<void()>>> m_Timeline;
    uint64_t m_NextBoxId = 100;
};

struct RunResult {
    int code = -1;
    std::vector<std::string> out;
};

RunResult RunScript(FakeWorld& w, const std::string& script, RunnerSettings settings = {}) {
    std::vector<Step> steps;
    std::string error;
    EXPECT_TRUE(ParseScript(script, steps, error)) << error;
    Runner runner(w, w, settings);
    RunResult r;
    r.code = runner.Run(steps);
    r.out = w.printed;
    return r;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines)
        all += l + "\n";
    return all;
}

bool Has(const RunResult& r, const std::string& part) {
    return Joined(r.out).find(part) != std::string::npos;
}

} // namespace

TEST(Runner, WaitsForTheWindowThenReadsTitleLabelsAndRadios) {
    FakeWorld w;
    w.windowAt = 700;
    RunResult r =
        RunScript(w, "wait-window 2\n"
                     "expect-title \"Orvane(Ver : 0.64)\" or \"Orvane Version 0.64 (USB - NOT Connected)\"\n"
                     "expect-title-prefix Orvane\n"
                     "expect-text 1014 \"AP 미연결\"\n"
                     "read 1015\n"
                     "expect-check 1023 1\n"
                     "expect-check 1024 0\n");
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    EXPECT_GE(w.now, 700);
    EXPECT_LT(w.now, 700 + 2 * kPollMs);
    EXPECT_EQ(r.out[0], "line 1: wait-window 2 -> found \"Orvane(Ver : 0.64)\" of process 42 after 700 ms");
    EXPECT_EQ(r.out[4], "line 5: read 1015 -> \"AP : \"");
    EXPECT_EQ(r.out.back(), "uidriver: all 7 steps passed");
}

TEST(Runner, AWindowThatNeverComesFailsAfterItsTimeOutAndStopsTheRun) {
    FakeWorld w;
    w.windowAt = -1;
    RunResult r = RunScript(w, "wait-window 1.5\nclick 1016\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_GE(w.now, 1500);
    EXPECT_LT(w.now, 1500 + 2 * kPollMs);
    EXPECT_EQ(r.out[0], "FAIL line 1: wait-window 1.5 -> no main dialog within 1.5 s");
    EXPECT_TRUE(w.clicks.empty());
    EXPECT_EQ(r.out.back(), "uidriver: failed after 0 of 2 steps");
}

// A step that fails stops the run there, says what it found instead, and acts on nothing: no click, no
// row pressed, no box answered.
TEST(Runner, AFailedStepStopsTheRunAndReportsWhatWasThere) {
    struct Case {
        std::vector<std::string> steps; // the last one fails
        const char* report;             // after "FAIL line N: <that step> -> "
        std::function<void(FakeWorld&)> setUp = nullptr;
    };
    const auto openBox = [](std::u16string text, std::vector<int> buttons) {
        return [=](FakeWorld& w) { w.OpenBox(u"orvane", text, buttons); };
    };
    const Case cases[] = {
        {{"click 1016"}, "no main dialog found (wait-window first)", [](FakeWorld& w) { w.windowAt = -1; }},
        {{"wait-window 1", "expect-text 1014 \"AP 연결\""},
         "control 1014 reads \"AP 미연결\", expected \"AP 연결\""},
        {{"wait-window 1", "expect-title-prefix \"Orvane Version\""},
         "does not begin with \"Orvane Version\""},
        {{"wait-window 1", "expect-check 1024 1"}, "control 1024 has state 0, expected 1"},
        {{"wait-window 1", "read 4242"}, "the main dialog has no control 4242"},
        {{"wait-window 1", "click 9999"}, "the main dialog has no control 9999"},
        {{"wait-window 1", "click-row 3"}, "row 3 is not in view", [](FakeWorld& w) { w.viewHeight = 50; }},
        {{"wait-window 1", "click-row 0"},
         "the main dialog has no check-list",
         [](FakeWorld& w) { w.hasView = false; }},
        {{"wait-window 1", "close", "read 1014"},
         "the main dialog is not there",
         [](FakeWorld& w) { w.exitDelayMs = 0; }},
        // A box that is not the one expected stays open for the program to go on with.
        {{"wait-window 1", "expect-box \"GetCount = 0\" answer ok"},
         "the box that opened has caption \"orvane\", text \"AP 연결 성공\"; expected text \"GetCount = 0\"",
         openBox(u"AP 연결 성공", {1})},
        {{"wait-window 1", "expect-box \"Delete?\" caption \"AP MAC Setting\" answer yes"},
         "the box that opened has caption \"orvane\", text \"Delete?\"; expected text \"Delete?\", caption "
         "\"AP MAC Setting\"",
         openBox(u"Delete?", {6, 7})},
        {{"wait-window 1", "expect-box * answer yes"},
         "the box has no yes button",
         openBox(u"GetCount = 0", {1})},
        // Without answer-all a box nobody expected is left alone, and named when a wait fails.
        {{"wait-window 1", "wait-text 1014 \"AP 연결\" 0.2"},
         "; a box is open: caption \"orvane\", text \"소켓 에러\"",
         openBox(u"소켓 에러", {1})},
    };
    for (const Case& c : cases) {
        std::string script;
        for (const std::string& step : c.steps)
            script += step + "\n";
        script += "click 1025\n"; // never reached
        SCOPED_TRACE(script);
        FakeWorld w;
        if (c.setUp) c.setUp(w);
        const std::size_t openBoxes = w.boxes.size();
        RunResult r = RunScript(w, script);
        EXPECT_EQ(r.code, kExitFailed);

        const std::string failed =
            "FAIL line " + std::to_string(c.steps.size()) + ": " + c.steps.back() + " -> ";
        const auto reported = std::find_if(r.out.begin(), r.out.end(),
                                           [](const std::string& l) { return l.rfind("FAIL ", 0) == 0; });
        ASSERT_NE(reported, r.out.end()) << Joined(r.out);
        EXPECT_EQ(reported->rfind(failed, 0), 0u) << *reported;
        EXPECT_NE(reported->find(c.report, failed.size()), std::string::npos) << *reported;
        EXPECT_EQ(r.out.back(), "uidriver: failed after " + std::to_string(c.steps.size() - 1) + " of " +
                                    std::to_string(c.steps.size() + 1) + " steps");
        EXPECT_TRUE(w.clicks.empty());
        EXPECT_TRUE(w.rowClicks.empty());
        EXPECT_TRUE(w.answers.empty());
        EXPECT_EQ(w.boxes.size(), openBoxes);
    }
}

TEST(Runner, WaitTextSucceedsWhenTheLabelChangesAndFailsWithTheLastTextOnTimeOut) {
    FakeWorld w;
    w.At(1200, [&w] { w.texts[1014] = u"AP 연결"; });
    RunResult r = RunScript(w, "wait-window 1\nwait-text 1014 \"AP 연결\" 2\n");
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    EXPECT_GE(w.now, 1200);

    FakeWorld w2;
    r = RunScript(w2, "wait-window 1\nwait-text 1014 \"AP 연결\" 0.3\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_TRUE(Has(r, "still \"AP 미연결\" after 0.3 s, expected \"AP 연결\"")) << Joined(r.out);
    EXPECT_GE(w2.now, 300);
    EXPECT_LT(w2.now, 300 + 2 * kPollMs);
}

TEST(Runner, WaitTitleAcceptsAnyAlternative) {
    FakeWorld w;
    w.At(500, [&w] { w.title = u"Orvane Version 0.64 (USB - NOT Connected)"; });
    RunResult r = RunScript(w, "wait-window 1\nwait-title \"Orvane Version 0.64 (USB - Connected)\" or "
                               "\"Orvane Version 0.64 (USB - NOT Connected)\" 1\n");
    EXPECT_EQ(r.code, kExitPassed) << Joined(r.out);
}

TEST(Runner, AWaitEndsAtOnceWhenTheProgramEnds) {
    FakeWorld w;
    w.At(200, [&w] { w.exited = true; });
    RunResult r = RunScript(w, "wait-window 1\nwait-text 1014 \"AP 연결\" 30\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_LT(w.now, 1000);
    EXPECT_TRUE(Has(r, "the program ended"));
}

TEST(Runner, ExpectBoxAnswersExactlyTheBoxThatOpened) {
    FakeWorld w;
    w.onClick = [&w](int id) {
        if (id == 1025) w.At(w.now + 300, [&w] { w.OpenBox(u"orvane", u"GetCount = 0", {1}); });
    };
    RunResult r = RunScript(
        w, "wait-window 1\nclick 1025\nexpect-box \"GetCount = 0\" caption orvane answer ok timeout 2\n");
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    ASSERT_EQ(w.answers.size(), 1u);
    EXPECT_EQ(w.answers[0].first, u"GetCount = 0");
    EXPECT_EQ(w.answers[0].second, kButtonOk);
    EXPECT_TRUE(w.boxes.empty());
    EXPECT_TRUE(Has(r, "  box opened: caption \"orvane\", text \"GetCount = 0\""));
    EXPECT_TRUE(Has(r, "-> answered ok after "));
    EXPECT_TRUE(Has(r, " ms: caption \"orvane\", text \"GetCount = 0\""));
}

TEST(Runner, NoBoxFailsAfterTheTimeOutUnlessOptional) {
    FakeWorld w;
    RunResult r = RunScript(w, "wait-window 1\nexpect-box * answer ok timeout 0.5\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_TRUE(Has(r, "no box within 0.5 s"));
    EXPECT_GE(w.now, 500);

    FakeWorld w2;
    r = RunScript(w2,
                  "wait-window 1\nexpect-box \"GetCount = 0\" answer ok timeout 0.5 optional\nread 1014\n");
    EXPECT_EQ(r.code, kExitPassed) << Joined(r.out);
    EXPECT_TRUE(
        Has(r, "line 2: expect-box \"GetCount = 0\" answer ok timeout 0.5 optional -> no box within 0.5 s"));
}

TEST(Runner, BoxesThatFollowEachOtherAreAnsweredInTurn) {
    // A Retry/Cancel box answered retry comes back; the second answer ends it. Then one box per entry.
    FakeWorld w;
    w.OpenBox(u"orvane", u"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.", {4, 2});
    w.onAnswer = [&w](const std::u16string& text, int button) {
        if (button == kButtonRetry) w.OpenBox(u"orvane", text, {4, 2});
    };
    RunResult r = RunScript(
        w,
        "wait-window 1\n"
        "expect-box \"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.\" answer retry\n"
        "expect-box \"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.\" answer "
        "cancel\n");
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    ASSERT_EQ(w.answers.size(), 2u);
    EXPECT_EQ(w.answers[0].second, kButtonRetry);
    EXPECT_EQ(w.answers[1].second, kButtonCancel);
    EXPECT_TRUE(w.boxes.empty());
}

TEST(Runner, AnAnsweredBoxThatStaysOpenFails) {
    FakeWorld w;
    w.OpenBox(u"orvane", u"stuck", {1}, kBoxCloseMs + 1000);
    RunResult r = RunScript(w, "wait-window 1\nexpect-box stuck answer ok\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_TRUE(Has(r, "but the box is still open after 5 s"));

    FakeWorld w2;
    w2.OpenBox(u"orvane", u"slow", {1}, 400);
    r = RunScript(w2, "wait-window 1\nexpect-box slow answer ok\n");
    EXPECT_EQ(r.code, kExitPassed) << Joined(r.out);
}

TEST(Runner, TheNewestOfNestedBoxesIsTheOneExpected) {
    FakeWorld w;
    w.OpenBox(u"orvane", u"outer", {1});
    w.OpenBox(u"orvane", u"inner", {1});
    RunResult r = RunScript(w, "wait-window 1\nexpect-box inner answer ok\nexpect-box outer answer ok\n");
    EXPECT_EQ(r.code, kExitPassed) << Joined(r.out);
    ASSERT_EQ(w.answers.size(), 2u);
    EXPECT_EQ(w.answers[0].first, u"inner");
}

TEST(Runner, AnswerAllClosesUnexpectedBoxesDuringWaitsButLeavesExpectedOnesToTheScript) {
    FakeWorld w;
    w.onClick = [&w](int id) {
        if (id == 1025) w.OpenBox(u"orvane", u"GetCount = 1", {1});
        if (id == 1016) w.At(w.now + 200, [&w] { w.OpenBox(u"AP MAC Setting", u"Delete?", {6, 7}); });
    };
    RunResult r = RunScript(w, "wait-window 1\n"
                               "answer-all no\n"
                               "click 1025\n"
                               "expect-box \"GetCount = 1\" answer ok\n" // not taken by answer-all
                               "click 1016\n"
                               "sleep 500\n" // answered no here
                               "click 1025\n"
                               "sleep 100\n"); // no "no" button: cancel, then ok
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    ASSERT_EQ(w.answers.size(), 3u);
    EXPECT_EQ(w.answers[0].second, kButtonOk);
    EXPECT_EQ(w.answers[1].first, u"Delete?");
    EXPECT_EQ(w.answers[1].second, kButtonNo);
    EXPECT_EQ(w.answers[2].second, kButtonOk);
    EXPECT_TRUE(Has(r, "  box answered no (answer-all): caption \"AP MAC Setting\", text \"Delete?\""));
}

TEST(Runner, TheLogHasEveryBoxSeenWithItsFate) {
    FakeWorld w;
    w.At(100, [&w] { w.OpenBox(u"About Orvane", u"Orvane Version 1.0", {1}); });
    w.At(150, [&w] { w.OpenBox(u"orvane", u"went\taway", {1}); });
    w.At(300, [&w] { w.boxes.erase(w.boxes.end() - 1); }); // the program closed it itself
    w.At(400, [&w] { w.OpenBox(u"orvane", u"left open", {1}); });
    RunResult r = RunScript(w, "boxes-log boxes.tsv\n"
                               "wait-window 1\n"
                               "sleep 350\n"
                               "expect-box \"Orvane Version 1.0\" caption \"About Orvane\" answer ok\n"
                               "sleep 100\n");
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    EXPECT_EQ(w.files["boxes.tsv"], "orvane\twent\\taway\t-\n"
                                    "About Orvane\tOrvane Version 1.0\tok\n"
                                    "orvane\tleft open\topen\n");
    EXPECT_TRUE(
        Has(r, "  box closed without an answer from the driver: caption \"orvane\", text \"went\\taway\""));
}

TEST(Runner, AnUnwritableLogIsReportedOnceAndDoesNotFailTheRun) {
    FakeWorld w;
    w.OpenBox(u"orvane", u"a", {1});
    w.OpenBox(u"orvane", u"b", {1});
    RunnerSettings s;
    s.boxesLog = "unwritable";
    s.autoAnswer = kButtonOk;
    RunResult r = RunScript(w, "wait-window 1\nsleep 100\n", s);
    EXPECT_EQ(r.code, kExitPassed);
    EXPECT_EQ(w.answers.size(), 2u);
    int warnings = 0;
    for (const auto& l : r.out)
        warnings += l.find("warning: cannot append") != std::string::npos;
    EXPECT_EQ(warnings, 1);
}

TEST(Runner, ClicksGoToTheControlAndADisabledOneIsAFailure) {
    FakeWorld w;
    w.disabledId = 1016;
    RunResult r = RunScript(
        w, "wait-window 1\nclick 1025\nsyscommand 0x10\nexpect-box * caption \"About Orvane\" answer ok\n"
           "click 1016\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_EQ(w.clicks, std::vector<int>{1025});
    EXPECT_EQ(w.sysCommands, std::vector<int>{0x10});
    EXPECT_TRUE(Has(r, "FAIL line 5: click 1016 -> control 1016 is disabled"));
}

TEST(Runner, RowClicksUseTheConfiguredGeometry) {
    FakeWorld w;
    RunnerSettings s;
    s.rows.rowHeight = 20;
    RunResult r = RunScript(w, "wait-window 1\nclick-row 0 check\nclick-row 3 text\n", s);
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    ASSERT_EQ(w.rowClicks.size(), 2u);
    // Cell 18 high centred in a row of 20: rows begin at 5 + 20 r, cells one pixel lower.
    EXPECT_EQ(w.rowClicks[0], (std::pair<int32_t, int32_t>{14, 15}));
    EXPECT_EQ(w.rowClicks[1], (std::pair<int32_t, int32_t>{32, 75}));
    EXPECT_TRUE(Has(r, "line 2: click-row 0 check -> pressed at (14, 15)"));
}

TEST(Runner, CloseWaitsForTheProgramToEnd) {
    FakeWorld w;
    w.exitDelayMs = 300;
    RunResult r = RunScript(w, "wait-window 1\nclose 2\n");
    ASSERT_EQ(r.code, kExitPassed) << Joined(r.out);
    EXPECT_EQ(w.closeRequests, 1);
    EXPECT_GE(w.now, 300);
    EXPECT_TRUE(Has(r, "line 2: close 2 -> ended after"));

    FakeWorld w2;
    w2.exitDelayMs = -1;
    w2.OpenBox(u"orvane", u"blocking", {1});
    r = RunScript(w2, "wait-window 1\nclose 0.5\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_TRUE(Has(r, "still running after 0.5 s; a box is open: caption \"orvane\", text \"blocking\""))
        << Joined(r.out);
}

TEST(Runner, SleepLastsItsTimeAndWatchesNoBoxesBeforeTheWindow) {
    FakeWorld w;
    RunResult r = RunScript(w, "sleep 10\nsleep 1234\n");
    ASSERT_EQ(r.code, kExitPassed);
    EXPECT_EQ(w.now, 1244);
    EXPECT_EQ(w.boxPolls, 0); // no window yet: nothing to watch
}
