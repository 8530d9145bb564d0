// The AP conversation natively: each row a script of the user's operations, the clock and the socket's
// events against an AP that answers each command from a list (late, merged, cut, refused or not at all),
// with the commands, boxes and rows it must give.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "aplink/core/ap_conversation.h"

namespace {

using namespace aplink;

const ApMac kVci = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const ApMac kPc = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

std::string BoxName(ApBox box, std::string_view answer) {
    static const char* const names[] = {"not connected",  "register done",      "register failed",
                                        "register error", "delete none ticked", "delete rest unticked",
                                        "delete done",    "delete failed",      "delete error",
                                        "read completed", "auto done",          "answer",
                                        "setting done",   "no pc mac",          "no answer"};
    const std::string name = names[static_cast<int>(box)];
    return box == ApBox::FilterAnswer ? name + " " + std::string(answer) : name;
}

// The dialog and the AP: each command that expects an answer takes the next of `answers` ("-": none),
// which reaches the socket at once; it is read before the next send or, after the step, by OnReceived.
struct Host final : ApHost {
    bool HasSocket() override { return true; }
    void Pause(unsigned ms) override { now += ms; }
    std::string TakeArrived() override { return std::exchange(arrived, {}); }
    bool Send(const std::string& command) override {
        sent.push_back(command.substr(0, command.size() - 1)); // without the carriage return
        const std::string code = command.substr(2, 4);
        if (code != "fff4" && code != "fff6" && !answers.empty()) {
            const std::string answer = answers.front();
            answers.pop_front();
            if (answer != "-") arrived += answer;
        }
        return true;
    }
    void ShowBox(ApBox box, std::string_view answer) override { boxes.push_back(BoxName(box, answer)); }
    void ClearRows() override { rows.clear(), ticks.clear(); }
    void AddRow(std::string_view mac) override { rows.emplace_back(mac), ticks.push_back(false); }
    void RemoveRows(const std::vector<int>& gone) override {
        for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i)
            if (std::count(gone.begin(), gone.end(), i))
                rows.erase(rows.begin() + i), ticks.erase(ticks.begin() + i);
    }
    void Trace(std::string_view) override {}
    ApMacs StoredMacs() override { return stored; }
    int RowCount() override { return static_cast<int>(rows.size()); }
    bool RowMarked(int row) override { return row < static_cast<int>(ticks.size()) && ticks[row]; }
    std::string RowText(int row) override { return rows[row]; }
    ApMacs ReadMacsAndEnableFilter() override { return stored = read; }
    void Reconnect() override { sent.push_back("reconnect"); }
    std::uint64_t NowMs() override { return now; }

    std::uint64_t now = 0;
    std::deque<std::string> answers;
    std::string arrived;
    ApMacs stored, read{kVci, kPc};
    std::vector<std::string> sent, rows, boxes;
    std::vector<bool> ticks;
};

const std::string kList = "701LIST00 1A 2B 3C 4D 5E701LIST02 11 22 33 44 55701LIST00 00 00 00 00 00";
const std::string kPcList = "701LIST02 11 22 33 44 55701LIST00 00 00 00 00 00";
// An AP that numbers its entries: each entry's four characters are digits and blanks.
const std::string kNumbered =
    "701 01 02 DD DD DD DD DD\r\n701 02 00 1A 2B 3C 4D 5E\r\n701 03 00 00 00 00 00 00\r\n";
const std::vector<std::string> kWholeRun = {"w fff5 00", "w fff0 00 1a 2b 3c 4d 5e",
                                            "w fff0 02 11 22 33 44 55", "w fff3 ", "w fff6 "};
const std::vector<std::string> kBothRows = {"00 1A 2B 3C 4D 5E", "02 11 22 33 44 55"};
const std::vector<std::string> kThreeRows = {"0A 00 00 00 00 01", "0A 00 00 00 00 02", "0A 00 00 00 00 03"};

std::vector<std::string> Upto(std::size_t n) {
    return {kWholeRun.begin(), kWholeRun.begin() + static_cast<std::ptrdiff_t>(n)};
}

struct Case {
    const char* what;
    // "auto" (the button, connected), "arm" (the button, not connected), "list", "add", "setting on|off",
    // "delete R R…" (ticks those rows), "connect", "cancel", "+N" (the clock N ms on, the timer ticks),
    // "vci fails" (the next reads give no VCI MAC), "'bytes" (bytes the AP sends unasked).
    std::vector<std::string> steps;
    std::vector<std::string> answers;
    std::vector<std::string> sent;
    std::vector<std::string> boxes;
    std::vector<std::string> rows;
    std::vector<std::string> startRows = {};
};

void Step(ApConversation& conv, Host& host, const std::string& step) {
    if (step == "auto") {
        conv.BeginAutoSetting();
        conv.ContinueAutoSetting(host);
    } else if (step == "arm") {
        conv.BeginAutoSetting();
    } else if (step == "list") {
        host.ClearRows();
        conv.ReadList(host, true);
    } else if (step == "add") {
        conv.AddMacs(host);
    } else if (step.rfind("setting ", 0) == 0) {
        conv.MacFilterSetting(host, step == "setting on");
    } else if (step.rfind("delete", 0) == 0) {
        std::istringstream rows(step.substr(6));
        for (int row; rows >> row;)
            host.ticks[row] = true;
        conv.StartDeleteRun(host);
    } else if (step == "connect") {
        conv.OnConnected(host);
    } else if (step == "cancel") {
        conv.OnConnectCancelled();
    } else if (step == "vci fails") {
        host.read.vci.reset();
    } else if (step[0] == '+') {
        host.now += std::stoul(step.substr(1));
        conv.OnTick(host);
    } else {
        host.arrived += step.substr(1);
    }
    // The socket's notifications, once the step has returned to the message loop.
    while (!host.arrived.empty()) {
        const std::string bytes = host.TakeArrived();
        conv.OnReceived(host, bytes.data(), bytes.size());
    }
}

TEST(ApConversation, EachOperationReportsSuccessOnlyOnAcceptingAnswersToItsOwnCommands) {
    std::vector<std::string> pieces = {"auto", "'701"}; // a stray "701", then the list in pieces of 7 bytes
    for (std::size_t at = 0; at < kList.size(); at += 7)
        pieces.push_back("'" + kList.substr(at, 7));
    const std::vector<std::string> afterTheList = {"w fff3 ", "reconnect", "w fff3 "};
    // clang-format off
    const Case cases[] = {
        {"an accepting AP: the run as ever", {"auto"}, {"701 filter on", "701", "701", kList}, kWholeRun,
         {"auto done"}, kBothRows},
        {"the VCI's add refused", {"auto"}, {"701 filter on", "200"}, Upto(2), {"register failed"}, {}},
        {"a filter answer cut by the network", {"auto", "'701 filter ", "'on"}, {"-", "701", "701", kList},
         kWholeRun, {"auto done"}, kBothRows},
        {"a status over two reads", {"auto", "'70", "'1"}, {"701 filter on", "-", "701", kList}, kWholeRun,
         {"auto done"}, kBothRows},
        {"the list in pieces after a stray 701", pieces, {"701 filter on", "701", "701", "-"}, kWholeRun,
         {"auto done"}, kBothRows},
        {"the filter command refused: no add, no apply", {"auto"}, {"200"}, Upto(1), {"answer 200"}, {}},
        {"the filter command unanswered", {"auto", "+10000"}, {"-"}, Upto(1), {"no answer"}, {}},
        {"a VCI read that failed: the PC's MAC alone", {"vci fails", "auto"}, {"701 on", "701", kPcList},
         {kWholeRun[0], kWholeRun[2], kWholeRun[3], kWholeRun[4]}, {"auto done"}, {kBothRows[1]}},
        {"a duplicate answer read before the PC's add is sent answers nothing", {"auto"},
         {"701 on", "701701", "200"}, Upto(3), {"register failed"}, {}},
        {"the list request refused in a run", {"auto"}, {"701 on", "701", "701", "200"}, Upto(4), {"answer 200"},
         {}},
        {"the PC's add never answered", {"auto", "+10000"}, {"701 on", "701", "-"}, Upto(3), {"no answer"}, {}},
        {"a list that stops moving", {"auto", "+9999", "+1"}, {"701 on", "701", "701", kList.substr(0, 60)},
         Upto(4), {"no answer"}, kBothRows},
        {"a list read by hand during the run is a plain one", {"auto", "list", "'701", "'" + kList},
         {"701 on", "-", "-"},
         {kWholeRun[0], kWholeRun[1], kWholeRun[3]}, {"read completed"}, kBothRows},
        {"MAC Filter setting: apply once accepted", {"setting off"}, {"701 filter off"},
         {"w fff5 01", "w fff6 "}, {"setting done"}, {}},
        {"MAC Filter setting refused", {"setting off"}, {"200"}, {"w fff5 01"}, {"answer 200"}, {}},
        {"MAC Filter setting unanswered", {"setting on", "+10000"}, {"-"}, {"w fff5 00"}, {"no answer"}, {}},
        {"a list request refused", {"list"}, {"200"}, {"w fff3 "}, {"answer 200"}, {}},
        {"a list request answered with no list", {"list"}, {"OK"}, {"w fff3 "}, {"answer OK"}, {}},
        {"a stray 701 in front of a numbered list", {"list"}, {"701" + kNumbered}, {"w fff3 "},
         {"read completed"}, {"02 DD DD DD DD DD", "00 1A 2B 3C 4D 5E"}},
        {"a lost list answer: the next click connects again", {"list", "+10000", "list", "connect"},
         {"-", kList}, afterTheList, {"no answer", "read completed"}, kBothRows},
        {"an unfinished list: the next click connects again", {"list", "+10000", "list", "connect"},
         {kList.substr(0, 30), kList}, afterTheList, {"no answer", "read completed"}, kBothRows},
        {"Cancel on the failed connect ends the run", {"arm", "cancel", "connect"}, {kList}, {"w fff3 "},
         {"read completed"}, kBothRows},
        {"Retry carries the run on", {"arm", "connect"}, {"701 on", "701", "701", kList}, kWholeRun,
         {"auto done"}, kBothRows},
        {"a delete run stopped by a refusal takes off the rows deleted", {"delete 0 2"}, {"701", "200"},
         {"w fff1 " + kThreeRows[0], "w fff1 " + kThreeRows[2]}, {"delete failed"}, {kThreeRows[1], kThreeRows[2]},
         kThreeRows},
        {"a registration by hand uses the MACs stored", {"add"}, {"701", "701", kList},
         {kWholeRun[1], kWholeRun[2], kWholeRun[3]}, {"register done", "read completed"}, kBothRows},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Host host;
        host.stored = {kVci, kPc};
        for (const std::string& row : c.startRows)
            host.AddRow(row);
        host.answers.assign(c.answers.begin(), c.answers.end());
        ApConversation conv;
        for (const std::string& step : c.steps)
            Step(conv, host, step);
        EXPECT_EQ(host.sent, c.sent);
        EXPECT_EQ(host.boxes, c.boxes);
        EXPECT_EQ(host.rows, c.rows);
        if (std::string(c.what).find("delete run") != std::string::npos) {
            EXPECT_EQ(host.ticks, (std::vector<bool>{false, true})); // the refused row keeps its tick
        }
        // However it went, the run is over and waits for nothing.
        EXPECT_EQ(conv.AutoSetting(), 0);
        EXPECT_FALSE(conv.AwaitsLiveAnswer());
    }
}

} // namespace
