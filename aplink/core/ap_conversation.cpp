// The AP conversation: operations, the answers they await in order, and the reader that takes exactly
// those answers off the stream.
#include "aplink/core/ap_conversation.h"

#include <algorithm>

#include "aplink/core/ap_protocol.h"

namespace aplink {

namespace {

bool IsSeparator(char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '\0' || c == '\t';
}

// A start of "701" or "200" that the read cut short.
bool IsCutStatus(std::string_view text) {
    return text.size() < kApAccepted.size() && !text.empty() &&
           (kApAccepted.substr(0, text.size()) == text || kApRefused.substr(0, text.size()) == text);
}

bool StartsStatus(std::string_view text) {
    const std::string_view head = text.substr(0, kApAccepted.size());
    return head == kApAccepted || head == kApRefused;
}

// "w fff1 " and a whole MAC text as the AP listed it.
bool IsDeleteCommandText(std::string_view command) {
    const std::string prefix = MakeDeleteCommand(std::string_view());
    if (command.size() != prefix.size() + common::kMacSpacedLength ||
        command.substr(0, prefix.size() - 1) != prefix.substr(0, prefix.size() - 1) || command.back() != '\r')
        return false;
    const std::string_view mac = command.substr(prefix.size() - 1, common::kMacSpacedLength);
    return common::IsSpacedMacText(mac) && mac != kApListEndText;
}

} // namespace

bool ApConversation::AwaitsLiveAnswer() const {
    for (const Awaited& a : m_awaited)
        if (Live(a)) return true;
    return false;
}

bool ApConversation::HasOverdue(std::uint64_t nowMs) const {
    for (const Awaited& a : m_awaited)
        if (a.deadline <= nowMs) return true;
    return false;
}

void ApConversation::Begin(int op) {
    pending = op;
    ++m_generation;
}

// An answer acts only for the operation that is still the current one; any other is taken and traced.
bool ApConversation::Live(const Awaited& a) const {
    return a.generation == m_generation && a.op == pending;
}

bool ApConversation::RequireSocket(ApHost& host) {
    if (host.HasSocket()) return true;
    host.ShowBox(ApBox::NotConnected, {});
    return false;
}

// A stream whose answers can no longer be matched is made anew before the user's operation: the
// operation waits for the connection and runs then.
bool ApConversation::Resync(ApHost& host, Op op, bool flag, int row) {
    if (!m_outOfStep || !host.HasSocket()) return false;
    host.Trace("AP: answers out of step, connecting again");
    EndRun();
    Begin(ApCmdNone);
    ResetStream();
    m_held = {op, flag, row};
    host.Reconnect();
    return true;
}

void ApConversation::RunHeld(ApHost& host) {
    const Held held = m_held;
    m_held = {};
    switch (held.op) {
    case Op::None:
        return;
    case Op::Add:
        AddMacs(host);
        return;
    case Op::WriteVci:
        WriteVciMac(host);
        return;
    case Op::DeleteRun:
        StartDeleteRun(host);
        return;
    case Op::DeleteOne:
        DeleteOne(host, held.row);
        return;
    case Op::ReadList:
        ReadList(host, true);
        return;
    case Op::Filter:
        SendFilter(host, held.flag);
        return;
    case Op::Apply:
        Apply(host);
        return;
    case Op::Close:
        SendCloseRequest(host);
        return;
    case Op::FilterSetting:
        MacFilterSetting(host, held.flag);
        return;
    }
}

// What reached the socket before a command went out is no answer to it.
void ApConversation::Absorb(ApHost& host) {
    const std::string arrived = host.TakeArrived();
    if (arrived.empty() || m_outOfStep) return;
    m_stream += arrived;
    if (m_stream.size() > kApMaxHeldBytes) LoseStep(host, "AP: more bytes held than any answer has");
}

bool ApConversation::SendCommand(ApHost& host, const std::string& command, unsigned waitMs) {
    if (waitMs != kNoWait) host.Pause(waitMs);
    Absorb(host);
    if (!m_outOfStep && host.Send(command)) return true;
    // A run that could not send has stopped; left on, it would later report success for what never happened.
    autoSetting = 0;
    return false;
}

bool ApConversation::SendAwaited(ApHost& host, const std::string& command, unsigned waitMs, ApAnswerForm form,
                                 Then then, int row) {
    if (!SendCommand(host, command, waitMs)) return false;
    if (m_awaited.size() >= kApMaxAwaited) {
        // The oldest owed answer is forgotten: what comes next can no longer be matched.
        m_awaited.pop_front();
        m_outOfStep = true;
    }
    m_awaited.push_back(
        {form, pending, m_generation, then, Offset(), host.NowMs() + kApAnswerTimeoutMs, row});
    return true;
}

void ApConversation::EndRun() {
    autoSetting = 0;
}

// The current operation ends with its box; a delete run takes the rows the AP has deleted off the list.
void ApConversation::Fail(ApHost& host, ApBox box, std::string_view answer) {
    EndRun();
    EndDeleteRun(host);
    host.ShowBox(box, answer);
}

void ApConversation::EndDeleteRun(ApHost& host) {
    std::vector<int> rows;
    rows.swap(m_deletedRows);
    if (!rows.empty()) host.RemoveRows(rows);
}

// Answers can no longer be told apart: nothing owed is awaited any more, the operation that waited ends
// with "AP에서 응답이 없습니다.", and the next button connects again.
void ApConversation::LoseStep(ApHost& host, const char* why) {
    host.Trace(why);
    const bool live = AwaitsLiveAnswer();
    m_outOfStep = true;
    ResetStream();
    if (!live) return;
    const int op = pending;
    Begin(ApCmdNone);
    EndRun();
    if (op == ApCmdDeleteMac) EndDeleteRun(host);
    host.ShowBox(ApBox::NoAnswer, {});
}

void ApConversation::ResetStream() {
    m_awaited.clear();
    m_base += m_stream.size();
    m_stream.clear();
    m_at = 0;
    m_answerOpen = false;
    ++m_streamEpoch;
}

// ---- operations ----

void ApConversation::AddMacs(ApHost& host) {
    EndRun();
    if (Resync(host, Op::Add)) return;
    StartAdds(host, host.StoredMacs());
}

void ApConversation::StartAdds(ApHost& host, const ApMacs& macs) {
    if (!RequireSocket(host)) {
        EndRun();
        return;
    }
    m_macs = macs;
    pcMacStep = 0;
    Begin(ApCmdAddMac);
    if (!SendAdd(host, m_macs.vci)) SendPcAdd(host);
}

// The pending value stays, so its answer is read as that operation's; earlier answers are no longer awaited.
void ApConversation::WriteVciMac(ApHost& host) {
    EndRun();
    if (Resync(host, Op::WriteVci)) return;
    if (!RequireSocket(host)) return;
    m_macs = host.StoredMacs();
    Begin(pending);
    SendAdd(host, m_macs.vci);
}

// False when there is no MAC to send: the all-zero MAC is the AP's end of list, never a MAC.
bool ApConversation::SendAdd(ApHost& host, const std::optional<ApMac>& mac) {
    if (!mac || common::IsZeroMac(mac->data())) return false;
    SendAwaited(host, MakeAddCommand(mac->data()), kCommandWaitMs, ApAnswerForm::Status);
    return true;
}

void ApConversation::SendPcAdd(ApHost& host) {
    pcMacStep = 1;
    if (!SendAdd(host, m_macs.pc)) EndAutoWithoutPcMac(host);
}

// A registration started by hand ends silently without a PC MAC; a run says so and shows what the AP holds.
void ApConversation::EndAutoWithoutPcMac(ApHost& host) {
    if (!autoSetting) return;
    Begin(ApCmdNone);
    const unsigned generation = m_generation;
    host.ShowBox(ApBox::NoPcMac, {});
    EndRun();
    if (generation != m_generation) return;
    host.ClearRows();
    ReadList(host, false);
}

void ApConversation::StartDeleteRun(ApHost& host) {
    EndRun();
    if (Resync(host, Op::DeleteRun)) return;
    Begin(ApCmdDeleteMac);
    deleteIndex = 0;
    m_deletedRows.clear();
    SendNextDelete(host, ApBox::DeleteDone1);
}

void ApConversation::SendNextDelete(ApHost& host, ApBox doneBox) {
    for (;;) {
        while (deleteIndex < listCount && !host.RowMarked(deleteIndex))
            ++deleteIndex;
        if (deleteIndex >= listCount) {
            m_deletedRows.clear(); // the list is read again whole
            const unsigned generation = m_generation;
            if (!autoSetting) host.ShowBox(doneBox, {});
            if (generation != m_generation) return;
            host.ClearRows();
            ReadList(host, false);
            return;
        }
        const int row = deleteIndex++;
        // Only now: a button's confirmation and the scan come before the socket test.
        if (!RequireSocket(host)) return;
        const std::string command = host.DeleteCommand(row);
        if (IsDeleteCommandText(command)) {
            if (!SendAwaited(host, command, kCommandWaitMs, ApAnswerForm::Status, Then::Nothing, row))
                EndDeleteRun(host);
            return;
        }
        // A row that holds no whole MAC names nothing the AP could delete.
        host.Trace("AP: a ticked row without a MAC is skipped");
    }
}

void ApConversation::DeleteOne(ApHost& host, int row) {
    EndRun();
    if (Resync(host, Op::DeleteOne, false, row)) return;
    if (!RequireSocket(host)) return;
    Begin(ApCmdDeleteMac);
    m_deletedRows.clear();
    if (row < 0) return;
    const std::string command = host.DeleteCommand(row);
    if (IsDeleteCommandText(command)) SendAwaited(host, command, kCommandWaitMs, ApAnswerForm::Status);
}

void ApConversation::ReadList(ApHost& host, bool byUser) {
    if (byUser) {
        EndRun();
        if (Resync(host, Op::ReadList)) return;
    }
    if (!RequireSocket(host)) {
        EndRun();
        return;
    }
    Begin(ApCmdReadList);
    SendAwaited(host, MakeReadListCommand(), kCommandWaitMs, ApAnswerForm::List);
}

bool ApConversation::SendFilterCommand(ApHost& host, bool on, Then then) {
    if (!RequireSocket(host)) return false;
    Begin(ApCmdSetFilter);
    return SendAwaited(host, MakeFilterCommand(on), on ? kNoWait : kCommandWaitMs, ApAnswerForm::Filter,
                       then);
}

void ApConversation::SendFilter(ApHost& host, bool on) {
    EndRun();
    if (Resync(host, Op::Filter, on)) return;
    SendFilterCommand(host, on, Then::Show);
}

void ApConversation::Apply(ApHost& host) {
    EndRun();
    if (Resync(host, Op::Apply)) return;
    SendApply(host);
}

bool ApConversation::SendApply(ApHost& host) {
    if (!RequireSocket(host)) return false;
    Begin(ApCmdNone);
    return SendCommand(host, MakeApplyCommand(), kCommandWaitMs);
}

void ApConversation::SendCloseRequest(ApHost& host) {
    EndRun();
    if (Resync(host, Op::Close)) return;
    if (!RequireSocket(host)) return;
    Begin(ApCmdNone);
    SendCommand(host, MakeCloseRequestCommand(), kCommandWaitMs);
}

// The apply and "설정 완료" follow the filter command's acceptance (OnFilter).
void ApConversation::MacFilterSetting(ApHost& host, bool on) {
    EndRun();
    if (Resync(host, Op::FilterSetting, on)) return;
    SendFilterCommand(host, on, Then::Apply);
}

// A run is an operation of its own: answers to what was sent before it are not its answers.
void ApConversation::BeginAutoSetting() {
    m_held = {};
    autoSetting = 1;
    Begin(ApCmdNone);
}

void ApConversation::ContinueAutoSetting(ApHost& host) {
    if (Resync(host, Op::None)) {
        autoSetting = 1; // carried on by the connect
        return;
    }
    Begin(ApCmdNone);
    const unsigned generation = m_generation;
    const ApMacs macs = host.ReadMacsAndEnableFilter();
    // The reads pump messages: a lost connection or another operation may have come in between.
    if (generation != m_generation || !autoSetting) return;
    // The filter's acceptance starts the adds; its answer is awaited only after the AP's time.
    if (!SendFilterCommand(host, true, Then::RunAdds)) return;
    m_macs = macs;
    host.Pause(kAutoFilterWaitMs);
    Absorb(host);
    OnReceived(host, nullptr, 0);
}

// ---- the socket's events ----

void ApConversation::OnConnected(ApHost& host) {
    OnClosed();
    if (m_held.op != Op::None) {
        RunHeld(host);
    } else if (autoSetting == 1) {
        ContinueAutoSetting(host);
    } else {
        host.ClearRows();
        ReadList(host, false);
    }
}

// An unfinished run stays on: the next connect carries it on from its start.
void ApConversation::OnClosed() {
    ResetStream();
    m_outOfStep = false;
    m_deletedRows.clear();
    pending = ApCmdNone;
    ++m_generation;
}

void ApConversation::OnConnectCancelled() {
    m_held = {};
    EndRun();
}

void ApConversation::OnReceived(ApHost& host, const char* data, std::size_t size) {
    if (m_outOfStep) {
        if (size) host.Trace("AP: bytes of a stream out of step ignored");
        return;
    }
    if (data && size) m_stream.append(data, size);
    // A box opened below reads the socket again: its bytes queue behind these and are taken in order.
    if (m_processing) {
        if (m_stream.size() > kApMaxHeldBytes) LoseStep(host, "AP: more bytes held than any answer has");
        return;
    }
    m_processing = true;
    // A connection lost and made again while a box was open starts a new stream: read that one too.
    for (unsigned epoch = m_streamEpoch + 1; epoch != m_streamEpoch && !m_outOfStep;) {
        epoch = m_streamEpoch;
        Process(host);
    }
    m_processing = false;
}

// An owed answer past its bound puts the stream out of step, whoever owed it: the next answer would be
// taken as that one's.
void ApConversation::OnTick(ApHost& host) {
    if (m_processing) return;
    const std::uint64_t now = host.NowMs();
    for (const Awaited& a : m_awaited)
        if (now >= a.deadline) {
            LoseStep(host, "AP: no answer within its bound");
            return;
        }
}

// ---- the reader ----

// A status or filter answer runs to the next status code after its own first three bytes, or to the end
// of what has arrived: the AP separates its answers by nothing else.
std::size_t ApConversation::AnswerEnd(std::size_t from) const {
    return StatusAt(std::min(from + kApAccepted.size(), m_stream.size()));
}

// The next status code at or after from; a start of one cut by the end of the read counts, its rest to come.
std::size_t ApConversation::StatusAt(std::size_t from) const {
    for (std::size_t p = from; p < m_stream.size(); ++p)
        if (StartsStatus(std::string_view(m_stream).substr(p)) ||
            IsCutStatus(std::string_view(m_stream).substr(p)))
            return p;
    return m_stream.size();
}

void ApConversation::Process(ApHost& host) {
    const unsigned epoch = m_streamEpoch;
    while (m_at < m_stream.size()) {
        if (m_awaited.empty()) {
            // Nobody asked for these bytes: a late answer of a command whose stream is gone, or noise.
            host.Trace("AP: unasked-for bytes ignored");
            m_at = m_stream.size();
            m_answerOpen = false;
            break;
        }
        // Bytes that were there before the command went out answer something earlier, or nothing.
        const std::uint64_t sentAt = m_awaited.front().sentAt;
        if (m_base + m_at < sentAt) {
            m_at = static_cast<std::size_t>(std::min<std::uint64_t>(sentAt - m_base, m_stream.size()));
            m_answerOpen = false;
            host.Trace("AP: bytes from before the command ignored");
            continue;
        }
        while (m_at < m_stream.size() && IsSeparator(m_stream[m_at]))
            ++m_at;
        if (m_at >= m_stream.size()) break;
        if (m_answerOpen && m_awaited.front().form != ApAnswerForm::Filter) {
            // The filter answer taken last ended with a read: what follows up to the next status code is its
            // rest (free text cut by the network), not the start of the next answer.
            const std::string_view rest = std::string_view(m_stream).substr(m_at);
            if (IsCutStatus(rest)) break;
            m_answerOpen = false;
            if (!StartsStatus(rest)) {
                m_at = StatusAt(m_at);
                m_answerOpen = m_at >= m_stream.size();
                host.Trace("AP: the rest of an answer read before");
                continue;
            }
        }
        Awaited& head = m_awaited.front();
        // One answer over several reads is one answer: a status cut short waits for its rest.
        if (head.form != ApAnswerForm::List && IsCutStatus(std::string_view(m_stream).substr(m_at))) break;
        bool taken = false;
        if (head.form == ApAnswerForm::List) {
            taken = TakeList(host, head);
        } else {
            taken = head.form == ApAnswerForm::Status ? TakeStatus(host, head) : TakeFilter(host, head);
        }
        if (epoch != m_streamEpoch) return; // the stream was made anew while a box was open
        if (!taken) break;
    }
    if (m_at > 0) {
        m_base += m_at;
        m_stream.erase(0, m_at);
        m_at = 0;
    }
}

// A status is its three characters; a remark after a blank is part of it ("701 OK"), while text right
// behind it is the next answer ("701ERR" is two). Anything else runs to the next status code.
std::size_t ApConversation::StatusAnswerEnd(std::size_t from) const {
    if (StartsStatus(std::string_view(m_stream).substr(from))) {
        const std::size_t code = from + kApAccepted.size();
        if (code < m_stream.size() && !IsSeparator(m_stream[code])) return code;
    }
    return AnswerEnd(from);
}

bool ApConversation::TakeStatus(ApHost& host, const Awaited& a) {
    const std::size_t end = StatusAnswerEnd(m_at);
    const std::string answer = m_stream.substr(m_at, end - m_at);
    m_at = end;
    const Awaited owner = a;
    m_awaited.pop_front();
    if (Live(owner)) OnStatus(host, owner, answer);
    return true;
}

bool ApConversation::TakeFilter(ApHost& host, const Awaited& a) {
    const std::size_t end = AnswerEnd(m_at);
    m_answerOpen = end == m_stream.size();
    const std::string answer = m_stream.substr(m_at, end - m_at);
    m_at = end;
    const Awaited owner = a;
    m_awaited.pop_front();
    if (Live(owner)) OnFilter(host, owner, answer);
    return true;
}

// List entries up to the end entry: "701", four bytes not examined, a MAC text. An entry counts only in the
// list's rhythm, followed (after any separators) by the next entry's "701": a stray "701" in front of an
// entry would otherwise shift it into a row the AP never had. An entry whose follower has not come yet
// waits for it. An answer that does not begin as a list is the request's answer all the same, and no list.
bool ApConversation::TakeList(ApHost& host, Awaited& a) {
    constexpr std::size_t kEntrySize = kApEntryMacOffset + kApEntryTextLength;
    for (;;) {
        const std::string_view s = m_stream; // again each time: the host's calls may add to the stream
        while (m_at < s.size() && IsSeparator(s[m_at]))
            ++m_at;
        if (m_at >= s.size()) return false;
        const std::string_view rest = s.substr(m_at);
        if (IsCutStatus(rest)) return false;
        if (rest.substr(0, kApAccepted.size()) != kApAccepted) {
            if (a.started) {
                ++m_at;
                continue;
            }
            const std::size_t end = StatusAnswerEnd(m_at);
            const std::string answer = m_stream.substr(m_at, end - m_at);
            m_at = end;
            host.Trace("AP: the list request got no list");
            const Awaited owner = a;
            m_awaited.pop_front();
            if (Live(owner)) {
                Begin(ApCmdNone);
                Fail(host, ApBox::FilterAnswer, answer);
            }
            return true;
        }
        if (rest.size() < kEntrySize) return false;
        const std::string_view text = rest.substr(kApEntryMacOffset, kApEntryTextLength);
        if (text == kApListEndText) {
            m_at += kEntrySize;
            const Awaited owner = a;
            m_awaited.pop_front();
            if (Live(owner)) OnListEnd(host);
            return true;
        }
        if (common::IsSpacedMacText(text)) {
            std::size_t next = kEntrySize;
            while (next < rest.size() && IsSeparator(rest[next]))
                ++next;
            const std::string_view follower = rest.substr(next, kApAccepted.size());
            if (follower.size() < kApAccepted.size() && kApAccepted.substr(0, follower.size()) == follower)
                return false; // the next entry has not come yet
            if (follower == kApAccepted) {
                m_at += kEntrySize;
                a.started = true;
                a.deadline = host.NowMs() + kApAnswerTimeoutMs; // the list moves on
                if (Live(a)) host.AddRow(text);
                continue;
            }
        }
        // A "701" of some other answer read together with the list: no row the AP never had.
        m_at += kApAccepted.size();
    }
}

void ApConversation::OnStatus(ApHost& host, const Awaited& a, std::string_view answer) {
    const ApStatus status = ClassifyStatusReply(answer);
    if (a.op == ApCmdAddMac) {
        switch (status) {
        case ApStatus::Accepted:
            if (pcMacStep == 0) {
                SendPcAdd(host); // the VCI's MAC is in
            } else {
                const unsigned generation = m_generation;
                if (!autoSetting) host.ShowBox(ApBox::RegisterDone, {});
                if (generation != m_generation) return;
                host.ClearRows();
                ReadList(host, false);
            }
            return;
        // Either ends the registration, and with it a run: nothing more is sent.
        case ApStatus::Refused:
            Fail(host, ApBox::RegisterFailed, {});
            return;
        case ApStatus::Unexpected:
            Fail(host, ApBox::RegisterError, answer);
            return;
        }
    }
    if (a.op == ApCmdDeleteMac) {
        switch (status) {
        case ApStatus::Accepted:
            if (a.row >= 0) m_deletedRows.push_back(a.row);
            // The box says whether the run had passed its last row already or found no more ticked ones.
            SendNextDelete(host, deleteIndex >= listCount ? ApBox::DeleteDone3 : ApBox::DeleteDone2);
            return;
        case ApStatus::Refused:
            Fail(host, ApBox::DeleteFailed, {});
            return;
        case ApStatus::Unexpected:
            Fail(host, ApBox::DeleteError, answer);
            return;
        }
    }
}

// The AP words its filter answer freely: a refusal is "200", anything else an acceptance.
void ApConversation::OnFilter(ApHost& host, const Awaited& a, std::string_view answer) {
    const bool refused = ClassifyStatusReply(answer) == ApStatus::Refused;
    if (a.then == Then::Show || refused) {
        Fail(host, ApBox::FilterAnswer, answer);
        return;
    }
    if (a.then == Then::Apply) {
        if (SendApply(host)) host.ShowBox(ApBox::SettingDone, {});
    } else if (a.then == Then::RunAdds && autoSetting) {
        StartAdds(host, m_macs);
    }
}

void ApConversation::OnListEnd(ApHost& host) {
    if (autoSetting == 1) {
        // Complete only once the apply command is out; its sender has said why when it is not.
        if (!SendApply(host)) {
            EndRun();
            return;
        }
        host.ShowBox(ApBox::AutoDone, {});
        EndRun();
    } else {
        host.ShowBox(ApBox::ReadCompleted, {});
    }
}

} // namespace aplink
