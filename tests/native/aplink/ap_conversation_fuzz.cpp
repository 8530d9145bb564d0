// Fuzz target: the AP conversation driven by a technician who presses any button, also while a box or the
// VCI read pumps messages, by reads that fail or change, by socket events, and by an AP that accepts,
// refuses, garbles, stays silent, answers late or twice, with any four characters before its entries;
// invariants checked after every step.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
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

ApMac MacOf(unsigned n) {
    return {2, 0, 0, 0, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
}

std::string Spaced(const ApMac& mac) {
    return common::FormatMacSpaced(mac.data());
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::toupper(c); });
    return text;
}

// A command as sent, and how the AP took it.
struct Sent {
    std::string command;
    bool expectsAnswer;
    bool accepted = false; // the AP's answer, once given, accepted it
    bool answered = false; // that answer has been read by the program
    std::size_t answerEnd = 0;
};

// An answer of the AP to sent[command], once it goes out.
struct Late {
    std::string answer;
    std::size_t command;
    bool twice; // followed by the same status again, or a stray "701"/"200"
    bool free;
};

// The AP: an ordered list with room for `capacity` entries, answering in order over one stream.
struct Ap {
    std::vector<std::string> list;
    std::size_t capacity = 0;
    std::string filler = "LIST";
    std::string wire;          // sent by the AP, not yet read
    std::size_t released = 0;  // bytes sent by the AP since the connect
    std::size_t delivered = 0; // of which read
    std::deque<Late> late;     // answers held back, in order
    std::set<std::string> everListed;
    // Free text has no end mark: a read cutting it would leave its rest looking like the next answer, so
    // reads cut free text never, and garbage right behind free text cannot be told from it.
    std::vector<std::pair<std::size_t, std::size_t>> freeSpans;
    bool freeTextLast = false;

    void Reset() {
        wire.clear();
        late.clear();
        freeSpans.clear();
        released = delivered = 0;
        freeTextLast = false;
    }
    std::size_t Cut(std::size_t n) const {
        std::size_t cut = delivered + n;
        for (const auto& [from, to] : freeSpans)
            if (from < cut && cut < to) cut = to;
        return cut - delivered;
    }
};

struct Host final : ApHost {
    FuzzedDataProvider& in;
    ApConversation& conv;
    Ap ap;
    bool socket = false, connecting = false;
    bool strays = false; // answers can no longer be told apart: only the checks that need no matching hold
    bool silentOwed = false; // a command the AP will never answer is owed
    std::uint64_t now = 0;
    int depth = 0; // inside an event of the dialog: a click is refused, as the dialog refuses it
    int pumps = 0;
    int readsRunning = 0;
    std::string event; // what the outermost step was: "op", "read", "tick", "connect"
    std::vector<std::string> rows;
    std::vector<bool> ticks;
    ApMacs stored;
    std::set<std::string> runMacs; // read by the run under way
    std::vector<Sent> sent;        // since the connect
    std::size_t opStart = 0;       // the current operation's first command in `sent`
    bool opIsApply = false;
    std::set<std::string> marked; // rows ticked when a delete started
    bool quietPumps = false;
    bool healthy = false; // the AP answers every command as it should, and every send goes out

    Host(FuzzedDataProvider& i, ApConversation& c) : in(i), conv(c) {}

    bool OpAccepted() const {
        for (std::size_t i = opStart; i < sent.size(); ++i)
            if (sent[i].expectsAnswer && !(sent[i].accepted && sent[i].answered)) return false;
        return true;
    }
    bool OpHeardFrom() const {
        for (std::size_t i = opStart; i < sent.size(); ++i)
            if (sent[i].answered) return true;
        return false;
    }

    bool HasSocket() override { return socket; }
    void Pause(unsigned ms) override { now += ms; }
    std::string TakeArrived() override {
        const std::string bytes = ap.wire;
        Read(bytes.size());
        return bytes;
    }
    bool Send(const std::string& command) override {
        const std::string code = command.substr(0, 7), mac = command.substr(7, 17);
        const bool macCommand = (code == "w fff0 " || code == "w fff1 ") && command.size() == 25 &&
                                command.back() == '\r' && common::IsSpacedMacText(mac) &&
                                mac != kApListEndText;
        Check(macCommand || command == "w fff3 \r" || command == "w fff4 \r" || command == "w fff5 00\r" ||
              command == "w fff5 01\r" || command == "w fff6 \r");
        // Only the current operation sends: from a read, only once one of its own answers has come.
        if ((event == "read" || event == "tick") && !strays) Check(OpHeardFrom());
        // Apply only when asked, or after every command of a filter setting or a run was accepted.
        if (command == "w fff6 \r") Check(opIsApply || strays || OpAccepted());
        if (code == "w fff0 " && conv.AutoSetting()) Check(runMacs.count(Upper(mac)) == 1);
        if (code == "w fff1 ") Check(marked.count(mac) == 1);
        Check(sent.size() < opStart + 16 + rows.size() + marked.size()); // a delete run reads the list anew
        if (connecting || !socket || (!healthy && in.ConsumeIntegralInRange<int>(0, 15) == 0)) return false;
        if (silentOwed) strays = true; // its answer would be taken for the one owed
        const std::string c = command.substr(2, 4);
        sent.push_back({command, c != "fff4" && c != "fff6"});
        if (sent.back().expectsAnswer) Answer(sent.size() - 1);
        return true;
    }

    // The AP's answer to sent[i]: accepted, refused, garbled, none, held back, or twice.
    void Answer(std::size_t i) {
        const std::string command = sent[i].command, code = command.substr(2, 4);
        const int mode =
            healthy || in.ConsumeIntegralInRange<int>(0, 15) < 9 ? 0 : in.ConsumeIntegralInRange<int>(1, 6);
        if (mode == 3) {
            silentOwed = true;
            return;
        }
        std::string answer;
        bool accepted = false, free = false;
        if (mode == 2) {
            answer = "ERR", free = true;
            accepted = code == "fff5"; // the filter's answer is free text: all but a refusal accepts
        } else if (code == "fff5") {
            accepted = mode != 1;
            answer = accepted ? (command[8] == '0' ? "701 filter on" : "701 filter off") : "200";
            free = accepted;
        } else if (code == "fff3") {
            if (mode == 1) {
                answer = "200";
            } else {
                for (const std::string& m : ap.list)
                    answer += "701" + ap.filler + m + (ap.filler[0] == ' ' ? "\r\n" : "");
                accepted = mode != 4;
                ap.everListed.insert(ap.list.begin(), ap.list.end());
                if (accepted) {
                    answer += "701" + ap.filler + std::string(kApListEndText);
                } else {
                    silentOwed = true; // a list without its end is never done
                }
            }
        } else {
            const std::string mac = Upper(command.substr(7, 17));
            const auto at = std::find(ap.list.begin(), ap.list.end(), mac);
            accepted = mode != 1;
            if (accepted && code == "fff0" && at == ap.list.end() &&
                (accepted = ap.list.size() < ap.capacity))
                ap.list.push_back(mac);
            if (accepted && code == "fff1" && (accepted = at != ap.list.end())) ap.list.erase(at);
            answer = accepted ? "701" : "200";
        }
        sent[i].accepted = accepted;
        if (mode == 6 || !ap.late.empty()) {
            ap.late.push_back({answer, i, mode == 5, free});
            return;
        }
        Release({answer, i, mode == 5, free});
    }
    void Release(const Late& late) {
        const std::size_t i = late.command;
        const bool free = late.free;
        std::string answer = late.answer;
        if (late.twice) {
            // A second answer sent after a later command went out passes for that one's.
            if (i + 1 < sent.size()) strays = true;
            sent[i].answerEnd = ap.released + answer.size();
            answer += answer.substr(0, 3);
        } else {
            sent[i].answerEnd = ap.released + answer.size();
        }
        if (free) {
            if (ap.freeTextLast && answer == "ERR") strays = true;
            ap.freeSpans.emplace_back(ap.released, ap.released + answer.size());
        }
        ap.freeTextLast = free;
        ap.wire += answer;
        ap.released += answer.size();
    }
    void ReleaseLate() {
        while (!ap.late.empty()) {
            const Late late = ap.late.front();
            ap.late.pop_front();
            Release(late);
        }
    }
    void Read(std::size_t n) {
        ap.wire.erase(0, n);
        ap.delivered += n;
        for (Sent& s : sent)
            if (s.answerEnd && s.answerEnd <= ap.delivered) s.answered = true;
    }

    void ShowBox(ApBox box, std::string_view) override {
        const bool success = box == ApBox::RegisterDone || box == ApBox::SettingDone ||
                             box == ApBox::DeleteNoneTicked || box == ApBox::DeleteRestUnticked ||
                             box == ApBox::DeletePastLastRow || box == ApBox::ReadCompleted ||
                             box == ApBox::AutoDone;
        if (success && !strays) Check(OpAccepted());
        if (box == ApBox::AutoDone || box == ApBox::SettingDone)
            Check(!sent.empty() && sent.back().command == "w fff6 \r");
        boxes.push_back(box);
        Pump();
    }
    std::vector<ApBox> boxes;

    void ClearRows() override {
        rows.clear();
        ticks.clear();
    }
    void AddRow(std::string_view mac) override {
        Check(common::IsSpacedMacText(mac) && mac != kApListEndText);
        if (!strays) Check(ap.everListed.count(std::string(mac)) == 1);
        rows.emplace_back(mac);
        ticks.push_back(false);
    }
    void RemoveRows(const std::vector<int>& gone) override {
        for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i)
            if (std::count(gone.begin(), gone.end(), i)) {
                if (!strays) Check(std::count(ap.list.begin(), ap.list.end(), rows[i]) == 0);
                rows.erase(rows.begin() + i);
                ticks.erase(ticks.begin() + i);
            }
    }
    void Trace(std::string_view) override {}
    ApMacs StoredMacs() override { return stored; }
    int RowCount() override { return static_cast<int>(rows.size()); }
    bool RowMarked(int row) override {
        return row >= 0 && static_cast<std::size_t>(row) < ticks.size() && ticks[row];
    }
    std::string RowText(int row) override {
        return row >= 0 && static_cast<std::size_t>(row) < rows.size() ? rows[row] : "";
    }
    std::optional<ApMac> ReadMac(const std::optional<ApMac>& before) {
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return std::nullopt; // the read failed
        case 1:
            return before;
        case 2:
            return ApMac{}; // all zeros: the AP's end of list
        default:
            return MacOf(in.ConsumeIntegralInRange<unsigned>(0, 300));
        }
    }
    ApMacs ReadMacsAndEnableFilter() override {
        Check(++readsRunning == 1); // one run at a time
        stored.pc = ReadMac(stored.pc);
        Pump(); // the VCI read pumps messages
        stored.vci = ReadMac(stored.vci);
        runMacs.clear();
        for (const auto& mac : {stored.vci, stored.pc})
            if (mac) runMacs.insert(Spaced(*mac));
        --readsRunning;
        return stored;
    }
    void Reconnect() override {
        Disconnect();
        socket = connecting = true;
    }
    std::uint64_t NowMs() override { return now; }

    void Disconnect() {
        socket = connecting = false;
        ap.Reset();
        sent.clear();
        opStart = 0;
        strays = silentOwed = false;
    }
    void Deliver() {
        if (ap.wire.empty()) return;
        const std::size_t n =
            ap.Cut(in.ConsumeIntegralInRange<std::size_t>(1, std::min<std::size_t>(ap.wire.size(), 3000)));
        const std::string bytes = ap.wire.substr(0, n);
        Read(n);
        conv.OnReceived(*this, bytes.data(), bytes.size());
    }
    // What a pump lets happen: the AP's bytes, the timer, a lost connection, a click (refused).
    void Pump() {
        if (quietPumps || pumps >= 3) return;
        ++pumps;
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            Deliver();
            break;
        case 1:
            ReleaseLate();
            break;
        case 2:
            now += in.ConsumeIntegralInRange<unsigned>(0, 12000);
            conv.OnTick(*this);
            break;
        case 3:
            if (socket && !connecting) {
                Disconnect();
                conv.OnClosed();
            }
            break;
        case 4:
            Check(depth > 0); // a click here meets the dialog's refusal
            break;
        default:
            break;
        }
        --pumps;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ApConversation conv;
    Host host(in, conv);
    host.ap.capacity = in.ConsumeIntegralInRange<std::size_t>(0, 200);
    static const char* const kFillers[] = {"LIST", " 01 ", "0000", "  12", "7 01", " 70 ", "abcd"};
    host.ap.filler = kFillers[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kFillers) - 1)];
    for (unsigned i = 0, n = in.ConsumeIntegralInRange<unsigned>(0, 200); i < n && i < host.ap.capacity; ++i)
        host.ap.list.push_back(Spaced(MacOf(1000 + i)));
    host.stored = {host.ReadMac({}), host.ReadMac({})};
    bool healCheck = false; // an answer's bound passed: the next list read on a healthy AP must succeed

    for (int step = 0; step < 200 && in.remaining_bytes() > 0; ++step) {
        const int action = in.ConsumeIntegralInRange<int>(0, 18);
        const bool userOp = action <= 9;
        host.event = userOp ? "op" : action <= 12 ? "read" : action == 16 ? "connect" : "tick";
        const std::size_t lastOpStart = host.opStart;
        if (userOp) {
            host.opStart = host.sent.size();
            host.opIsApply = action == 6;
        }
        ++host.depth;
        const std::size_t boxesBefore = host.boxes.size();
        switch (action) {
        case 0:
            conv.AddMacs(host);
            break;
        case 1:
            conv.WriteVciMac(host);
            break;
        case 2:
            host.ticks.assign(host.rows.size(), false);
            host.marked.clear();
            for (std::size_t i = 0; i < host.rows.size(); ++i)
                if ((host.ticks[i] = in.ConsumeBool())) host.marked.insert(host.rows[i]);
            if (!host.rows.empty())
                conv.StartDeleteRun(host);
            else
                host.opStart = lastOpStart; // "최소한 하나 이상 선택하셔야 합니다.": no operation
            break;
        case 3: {
            const int row = in.ConsumeIntegralInRange<int>(-1, static_cast<int>(host.rows.size()) - 1);
            // Its acceptance carries on the scan of the last run over the rows ticked now.
            host.marked.clear();
            for (std::size_t i = 0; i < host.rows.size(); ++i)
                if (host.RowMarked(static_cast<int>(i)) || static_cast<int>(i) == row)
                    host.marked.insert(host.rows[i]);
            conv.DeleteOne(host, row);
            break;
        }
        case 4: {
            // After an answer's bound passed, the next list read on an AP that answers well succeeds.
            const bool heal = healCheck && conv.OutOfStep() && host.socket && !host.connecting;
            host.quietPumps = host.healthy = heal;
            host.ClearRows();
            conv.ReadList(host, true);
            if (heal) {
                healCheck = false;
                Check(host.connecting); // it connects again first
                host.connecting = false;
                conv.OnConnected(host);
                const std::string bytes = host.ap.wire;
                host.Read(bytes.size());
                conv.OnReceived(host, bytes.data(), bytes.size());
                Check(std::count(host.boxes.begin() + static_cast<std::ptrdiff_t>(boxesBefore),
                                 host.boxes.end(), ApBox::ReadCompleted) == 1);
                host.quietPumps = host.healthy = false;
            }
            break;
        }
        case 5:
            conv.SendFilter(host, in.ConsumeBool());
            break;
        case 6:
            conv.Apply(host);
            break;
        case 7:
            conv.SendCloseRequest(host);
            break;
        case 8:
            conv.MacFilterSetting(host, in.ConsumeBool());
            break;
        case 9:
            conv.BeginAutoSetting();
            if (host.socket && !host.connecting) conv.ContinueAutoSetting(host);
            break;
        case 10:
        case 11:
            host.Deliver();
            break;
        case 12:
            host.ReleaseLate();
            break;
        case 13:
            // Unasked-for bytes: another client's late answer, noise, a repeated status.
            if (host.socket && !host.connecting) {
                const std::string noise = in.ConsumeBool() ? "701" : "xx";
                host.strays = true;
                host.ap.wire += noise;
                host.ap.released += noise.size();
            }
            break;
        case 14:
            if (!host.socket) {
                host.socket = host.connecting = true; // the connect button
            }
            break;
        case 15:
            if (host.socket && !host.connecting) {
                host.Disconnect();
                conv.OnClosed();
            }
            break;
        case 16:
            if (!host.connecting) break;
            if (in.ConsumeBool()) {
                host.connecting = false;
                conv.OnConnected(host);
            } else if (in.ConsumeBool()) {
                // Failed, and Cancel on its box; Retry is a connect still under way.
                host.socket = host.connecting = false;
                conv.OnConnectCancelled();
            }
            break;
        default: {
            host.now += in.ConsumeIntegralInRange<unsigned>(0, 12000);
            const std::size_t before = host.boxes.size();
            conv.OnTick(host);
            Check(!conv.HasOverdue(host.now));
            for (std::size_t i = before; i < host.boxes.size(); ++i)
                if (host.boxes[i] == ApBox::NoAnswer) healCheck = true;
            break;
        }
        }
        --host.depth;
        // A run that is on waits for an answer, or for the next connect to carry it on.
        Check(conv.AutoSetting() == 0 || !host.socket || host.connecting || conv.AwaitsLiveAnswer());
        Check(conv.AwaitedCount() <= kApMaxAwaited);
        Check(conv.HeldBytes() <= kApMaxHeldBytes + 3000);
    }
    return 0;
}
