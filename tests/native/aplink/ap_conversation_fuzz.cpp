// Fuzz target: the AP conversation driven by random user operations, socket events, send errors and an AP
// that answers late, refuses, garbles, cuts or merges its answers; invariants checked after every step.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "aplink/core/ap_conversation.h"
#include "aplink/core/ap_protocol.h"
#include "common/core/mac_text.h"

using namespace aplink;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

std::string Mac(unsigned n) { // spaced, upper case
    const std::uint8_t mac[6] = {2, 0, 0, 0, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    return common::FormatMacSpaced(mac);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::toupper(c); });
    return text;
}

std::string Join(const std::vector<std::string>& rows) {
    std::string all;
    for (const std::string& r : rows)
        all += r + "|";
    return all;
}

// The AP: an ordered list with room for `capacity` entries, answering in order over one stream.
struct Ap {
    std::vector<std::string> list;
    std::size_t capacity = 0;
    std::string wire;                     // answered, not yet delivered
    std::vector<std::string> listAnswers; // each whole list answer, joined
    // Free text (a filter answer, garbage) has no end mark: a read cutting it would leave its rest looking
    // like the next answer, so reads cut lists and statuses anywhere and free text never; garbage right
    // behind free text cannot be told from it at all.
    std::vector<std::pair<std::size_t, std::size_t>> freeSpans; // offsets since the connect
    std::size_t delivered = 0;
    bool freeTextLast = false;

    void Reset() {
        wire.clear();
        freeSpans.clear();
        delivered = 0;
        freeTextLast = false;
    }
    bool FreeText(const std::string& text) {
        const bool after = freeTextLast;
        freeSpans.emplace_back(delivered + wire.size(), delivered + wire.size() + text.size());
        wire += text;
        freeTextLast = true;
        return !(after && text == "ERR");
    }
    std::size_t Cut(std::size_t n) const {
        std::size_t cut = delivered + n;
        for (const auto& [from, to] : freeSpans)
            if (from < cut && cut < to) cut = to;
        return cut - delivered;
    }
    bool Holds(const std::string& addCommand) const {
        return std::count(list.begin(), list.end(), Upper(addCommand.substr(7, 17))) == 1;
    }
    // mode 0 answers as it should, 1 refuses, 2 garbles, 3 stays silent, 4 cuts a list before its end.
    // False when no reader could tell this answer from its neighbours any more.
    bool Answer(const std::string& command, int mode) {
        const std::string code = command.substr(2, 4);
        if (code == "fff4" || code == "fff6") return true; // not answered
        if (mode == 3) return false;
        if (mode == 2) return FreeText("ERR");
        freeTextLast = false;
        if (code == "fff5") return FreeText(command[8] == '0' ? "701 filter on" : "701 filter off");
        if (code == "fff3") {
            if (mode == 1) {
                wire += "200";
                return true;
            }
            for (const std::string& mac : list)
                wire += "701LIST" + mac;
            if (mode == 4) return false;
            wire += "701LIST00 00 00 00 00 00";
            listAnswers.push_back(Join(list));
            return true;
        }
        const std::string mac = Upper(command.substr(7, 17));
        const auto at = std::find(list.begin(), list.end(), mac);
        bool ok = mode == 0;
        if (ok && code == "fff0" && at == list.end() && (ok = list.size() < capacity)) list.push_back(mac);
        if (ok && code == "fff1" && (ok = at != list.end())) list.erase(at);
        wire += ok ? "701" : "200";
        return true;
    }
};

struct Host final : ApHost {
    FuzzedDataProvider& in;
    ApConversation& conv;
    Ap ap;
    bool socket = false;
    bool strays = false; // answers can no longer be told apart: only the checks that need no matching hold
    std::uint64_t now = 0;
    int depth = 0;
    std::vector<std::string> rows;
    std::vector<bool> ticks;
    std::string vciCommand, pcCommand, event, lastAdd;
    std::vector<std::string> sent, runAdds; // by the current step; by the current run
    std::set<std::string> marked, deleted;  // ticked when the delete started; deleted since
    bool wholeRun = false;

    Host(FuzzedDataProvider& i, ApConversation& c) : in(i), conv(c) {}

    bool HasSocket() override { return socket; }
    bool Send(const std::string& command, unsigned waitMs) override {
        now += waitMs;
        // One of the seven forms; no MAC command names the all-zero MAC or less than a whole MAC.
        const std::string code = command.substr(0, 7), mac = command.substr(7, 17);
        const bool macCommand = (code == "w fff0 " || code == "w fff1 ") && command.size() == 25 &&
                                command.back() == '\r' && common::IsSpacedMacText(mac) &&
                                mac != kApListEndText;
        Check(macCommand || command == "w fff3 \r" || command == "w fff4 \r" || command == "w fff5 00\r" ||
              command == "w fff5 01\r" || command == "w fff6 \r");
        // Apply only when asked, or at the end of a run's list.
        if (command == "w fff6 \r") Check(event == "apply" || (conv.autoSetting == 1 && event == "read"));
        if (code == "w fff1 ") Check(marked.count(mac) == 1 && (deleted.insert(mac).second || !wholeRun));
        Check(sent.size() < 16 + rows.size());
        if (in.ConsumeIntegralInRange<int>(0, 15) == 0) return false;
        sent.push_back(command);
        if (code == "w fff0 ") {
            lastAdd = command;
            if (conv.autoSetting) runAdds.push_back(command);
        }
        const int mode =
            in.ConsumeIntegralInRange<int>(0, 15) < 11 ? 0 : in.ConsumeIntegralInRange<int>(1, 4);
        if (socket && !ap.Answer(command, mode)) strays = true;
        if (conv.AwaitedCount() >= kApMaxAwaited) strays = true; // the oldest owed answer is forgotten
        return true;
    }
    void ShowBox(ApBox box, std::string_view) override {
        if (!strays) {
            if (box == ApBox::RegisterDone) Check(ap.Holds(lastAdd));
            if (box == ApBox::AutoDone) {
                Check(!sent.empty() && sent.back() == "w fff6 \r");
                for (const std::string& add : runAdds)
                    Check(ap.Holds(add));
            }
            if (box == ApBox::ReadCompleted || box == ApBox::AutoDone)
                Check(!ap.listAnswers.empty() && Join(rows) == ap.listAnswers.back());
        }
        if (box == ApBox::SettingDone)
            Check(sent.size() >= 2 && sent[sent.size() - 2].rfind("w fff5 ", 0) == 0 &&
                  sent.back() == "w fff6 \r");
        // A box pumps messages: answers may be read while it is open.
        if (depth < 3 && in.ConsumeBool()) {
            ++depth;
            Deliver();
            --depth;
        }
    }
    void ClearRows() override {
        rows.clear();
        ticks.clear();
    }
    void AddRow(std::string_view mac) override {
        Check(common::IsSpacedMacText(mac) && mac != kApListEndText);
        rows.emplace_back(mac);
    }
    void Trace(std::string_view) override {}
    std::string AddCommand(ApMacSource source) override {
        return source == ApMacSource::Vci ? vciCommand : pcCommand;
    }
    int RowCount() override { return static_cast<int>(rows.size()); }
    bool RowMarked(int row) override {
        return row >= 0 && static_cast<std::size_t>(row) < ticks.size() && ticks[row];
    }
    std::string DeleteCommand(int row) override {
        return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? MakeDeleteCommand(rows[row]) : "";
    }
    void ReadMacsAndEnableFilter() override {}
    void Pause(unsigned ms) override { now += ms; }
    std::uint64_t NowMs() override { return now; }

    void Deliver() {
        if (ap.wire.empty()) return;
        const std::size_t n =
            ap.Cut(in.ConsumeIntegralInRange<std::size_t>(1, std::min<std::size_t>(ap.wire.size(), 3000)));
        const std::string bytes = ap.wire.substr(0, n);
        ap.wire.erase(0, n);
        ap.delivered += n;
        const std::string outer = event;
        event = "read";
        conv.OnReceived(*this, bytes.data(), bytes.size());
        event = outer;
    }
    void StartDelete(int selected) {
        marked.clear();
        deleted.clear();
        wholeRun = selected < 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (RowMarked(static_cast<int>(i)) || static_cast<int>(i) == selected) marked.insert(rows[i]);
    }
    std::string AddFor() {
        const int kind = in.ConsumeIntegralInRange<int>(0, 3);
        if (kind == 0) return {};
        // The all-zero MAC must be refused before it is sent.
        return "w fff0 " +
               (kind == 1 ? std::string(kApListEndText) : Mac(in.ConsumeIntegralInRange<unsigned>(0, 300))) +
               "\r";
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ApConversation conv;
    Host host(in, conv);
    host.ap.capacity = in.ConsumeIntegralInRange<std::size_t>(0, 200);
    for (unsigned i = 0, n = in.ConsumeIntegralInRange<unsigned>(0, 200); i < n && i < host.ap.capacity; ++i)
        host.ap.list.push_back(Mac(1000 + i));
    host.vciCommand = host.AddFor();
    host.pcCommand = host.AddFor();

    for (int step = 0; step < 200 && in.remaining_bytes() > 0; ++step) {
        host.sent.clear();
        host.event = "op";
        switch (in.ConsumeIntegralInRange<int>(0, 17)) {
        case 0:
            conv.AddMacs(host, true);
            break;
        case 1:
            conv.WriteVciMac(host);
            break;
        case 2:
            host.ticks.assign(host.rows.size(), false);
            for (std::size_t i = 0; i < host.rows.size(); ++i)
                host.ticks[i] = in.ConsumeBool();
            host.StartDelete(-1);
            conv.listCount = static_cast<int>(host.rows.size());
            if (conv.listCount > 0) conv.StartDeleteRun(host);
            break;
        case 3: {
            const int row = in.ConsumeIntegralInRange<int>(-1, static_cast<int>(host.rows.size()) - 1);
            host.StartDelete(row < 0 ? static_cast<int>(host.rows.size()) : row);
            conv.DeleteOne(host, row);
            break;
        }
        case 4:
            host.ClearRows();
            conv.ReadList(host, true);
            break;
        case 5:
            conv.SendFilter(host, in.ConsumeBool(), true);
            break;
        case 6:
            host.event = "apply";
            conv.Apply(host);
            break;
        case 7:
            conv.SendCloseRequest(host);
            break;
        case 8:
            host.event = "apply";
            conv.MacFilterSetting(host, in.ConsumeBool());
            break;
        case 9:
            host.runAdds.clear();
            conv.BeginAutoSetting();
            if (host.socket) conv.ContinueAutoSetting(host);
            break;
        case 10:
            host.vciCommand = host.AddFor();
            host.pcCommand = host.AddFor();
            break;
        case 11:
        case 12:
            host.Deliver();
            break;
        case 13:
            // Unasked-for bytes: another client's late answer, noise, a repeated status.
            host.strays = true;
            host.ap.wire += in.ConsumeBool() ? "701" : "xx";
            break;
        case 14:
            if (host.socket) break;
            host.socket = true;
            host.ap.Reset();
            host.runAdds.clear();
            host.event = "read"; // a run carried on ends at its list's end like any other
            conv.OnConnected(host);
            break;
        case 15:
            host.socket = false;
            host.ap.Reset();
            conv.OnClosed();
            break;
        default:
            host.now += in.ConsumeIntegralInRange<unsigned>(0, 12000);
            conv.OnTick(host);
            Check(!conv.HasOverdue(host.now));
            break;
        }
        // A run that is on waits for an answer, or for the next connect to carry it on.
        Check(conv.autoSetting == 0 || !host.socket || conv.AwaitsLiveAnswer());
        Check(conv.AwaitedCount() <= kApMaxAwaited);
    }
    return 0;
}
