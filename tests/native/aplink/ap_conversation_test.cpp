// The AP conversation natively: automatic configuration against answers that come late, merged, cut or
// not at all, each row a script of reads and clock steps with the commands, boxes and rows it must give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "aplink/core/ap_conversation.h"

namespace {

using namespace aplink;

struct Host final : ApHost {
    bool HasSocket() override { return true; }
    bool Send(const std::string& command, unsigned waitMs) override {
        now += waitMs;
        sent.push_back(command.substr(0, command.size() - 1)); // without the carriage return
        return true;
    }
    void ShowBox(ApBox box, std::string_view) override { boxes.push_back(box); }
    void ClearRows() override { rows.clear(); }
    void AddRow(std::string_view mac) override { rows.emplace_back(mac); }
    void Trace(std::string_view) override {}
    std::string AddCommand(ApMacSource source) override {
        return source == ApMacSource::Vci ? "w fff0 00 1a 2b 3c 4d 5e\r" : "w fff0 02 11 22 33 44 55\r";
    }
    int RowCount() override { return static_cast<int>(rows.size()); }
    bool RowMarked(int) override { return false; }
    std::string DeleteCommand(int) override { return {}; }
    void ReadMacsAndEnableFilter() override {}
    void Pause(unsigned ms) override { now += ms; }
    std::uint64_t NowMs() override { return now; }

    std::uint64_t now = 0;
    std::vector<std::string> sent, rows;
    std::vector<ApBox> boxes;
};

const std::string kList = "701LIST00 1A 2B 3C 4D 5E701LIST02 11 22 33 44 55701LIST00 00 00 00 00 00";
const std::vector<std::string> kWholeRun = {"w fff5 00", "w fff0 00 1a 2b 3c 4d 5e",
                                            "w fff0 02 11 22 33 44 55", "w fff3 ", "w fff6 "};
const std::vector<std::string> kBothRows = {"00 1A 2B 3C 4D 5E", "02 11 22 33 44 55"};

struct Case {
    const char* what;
    std::vector<std::string>
        reads; // "+N" moves the clock N ms on and lets the timer tick; "L" is button 1002
    std::vector<std::string> sent;
    std::vector<ApBox> boxes;
    std::vector<std::string> rows;
};

TEST(ApConversation, AnAutomaticRunTakesEachAnswerForItsOwnCommand) {
    const std::vector<std::string> upToPc(kWholeRun.begin(), kWholeRun.begin() + 3);
    const std::vector<std::string> upToList(kWholeRun.begin(), kWholeRun.begin() + 4);
    std::vector<std::string> pieces = {"701 filter on701", "701",
                                       "701"}; // a stray "701", the list in 7 bytes
    for (std::size_t at = 0; at < kList.size(); at += 7)
        pieces.push_back(kList.substr(at, 7));
    // clang-format off
    const Case cases[] = {
        {"each answer on its own", {"701 filter on", "701", "701", kList}, kWholeRun, {ApBox::AutoDone}, kBothRows},
        {"filter answer and the VCI's refusal in one read", {"701 filter on200"},
         {kWholeRun[0], kWholeRun[1]}, {ApBox::RegisterFailed}, {}},
        {"filter answer cut by the network", {"701 filter ", "on701", "701", kList}, kWholeRun, {ApBox::AutoDone},
         kBothRows},
        {"a status in two reads", {"701 filter on70", "1", "7", "01", kList}, kWholeRun, {ApBox::AutoDone}, kBothRows},
        {"the list in pieces after a stray 701", pieces, kWholeRun, {ApBox::AutoDone}, kBothRows},
        {"the list request refused", {"701 filter on701", "701", "200", kList}, upToList, {}, {}},
        {"the PC's add never answered", {"701 filter on701", "+9999", "+1", "701"}, upToPc, {ApBox::NoAnswer}, {}},
        {"a list read by hand during the run is a plain one", {"L", "701 filter on", "701", kList},
         {kWholeRun[0], kWholeRun[1], kWholeRun[3]}, {ApBox::ReadCompleted}, kBothRows},
        {"a list that stops moving", {"701 filter on701", "701", kList.substr(0, 30), "+9999", "+1"}, upToList,
         {ApBox::NoAnswer}, {kBothRows[0]}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Host host;
        ApConversation conv;
        conv.BeginAutoSetting();
        conv.ContinueAutoSetting(host);
        for (const std::string& read : c.reads) {
            if (read[0] == '+') {
                host.now += std::stoul(read.substr(1));
                conv.OnTick(host);
            } else if (read == "L") {
                conv.ReadList(host, true);
            } else {
                conv.OnReceived(host, read.data(), read.size());
            }
        }
        EXPECT_EQ(host.sent, c.sent);
        EXPECT_EQ(host.boxes, c.boxes);
        EXPECT_EQ(host.rows, c.rows);
        // However it went, the run is over and waits for nothing.
        EXPECT_EQ(conv.autoSetting, 0);
        EXPECT_FALSE(conv.AwaitsLiveAnswer());
    }
}

} // namespace
