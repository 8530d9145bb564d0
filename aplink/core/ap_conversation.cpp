// The AP conversation: the operations, the answers they await in order, and what each answer does.
#include "aplink/core/ap_conversation.h"

#include <utility>

#include "aplink/core/ap_protocol.h"

namespace aplink {

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
    m_pending = op;
    ++m_generation;
}

// An answer acts only for the operation that is still the current one; any other is taken and traced.
bool ApConversation::Live(const Awaited& a) const {
    return a.generation == m_generation && a.op == m_pending;
}

bool ApConversation::RequireSocket(ApHost& host) {
    if (host.HasSocket()) return true;
    host.ShowBox(ApBox::NotConnected, {});
    return false;
}

// A stream whose answers can no longer be matched is made anew before the user's operation: the
// operation waits for the connection and runs then.
bool ApConversation::Resync(ApHost& host, std::function<void(ApHost&)> then) {
    if (!m_outOfStep || !host.HasSocket()) return false;
    host.Trace("AP: answers out of step, connecting again");
    EndRun();
    Begin(ApCmdNone);
    ResetStream();
    m_held = std::move(then);
    host.Reconnect();
    // A connect that failed at once has said so: nothing waits for a later one.
    if (!host.HasSocket()) m_held = nullptr;
    return true;
}

// What reached the socket before a command went out is no answer to it.
void ApConversation::Absorb(ApHost& host) {
    const std::string arrived = host.TakeArrived();
    if (arrived.empty() || m_outOfStep) return;
    m_reader.Append(arrived);
    // Said also when no answer was owed yet: the command about to go out is not sent.
    if (m_reader.Held() > kApMaxHeldBytes) LoseStep(host, "AP: more bytes held than any answer has", true);
}

bool ApConversation::SendCommand(ApHost& host, const std::string& command, unsigned waitMs) {
    if (waitMs != kNoWait) host.Pause(waitMs);
    Absorb(host);
    if (!m_outOfStep && host.Send(command)) return true;
    // A run that could not send has stopped; left on, it would later report success for what never happened.
    m_autoSetting = 0;
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
        {form, m_pending, m_generation, then, m_reader.Offset(), host.NowMs() + kApAnswerTimeoutMs, row});
    return true;
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
void ApConversation::LoseStep(ApHost& host, const char* why, bool tell) {
    host.Trace(why);
    const bool live = AwaitsLiveAnswer();
    m_outOfStep = true;
    ResetStream();
    if (!live && !tell) return;
    const int op = m_pending;
    Begin(ApCmdNone);
    EndRun();
    if (op == ApCmdDeleteMac) EndDeleteRun(host);
    host.ShowBox(ApBox::NoAnswer, {});
}

void ApConversation::ResetStream() {
    m_awaited.clear();
    m_reader.Reset();
    ++m_streamEpoch;
}

// ---- the socket's events ----

void ApConversation::OnConnected(ApHost& host) {
    OnClosed();
    if (m_held) {
        const auto held = std::exchange(m_held, nullptr);
        held(host);
    } else if (m_autoSetting == 1) {
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
    m_pending = ApCmdNone;
    ++m_generation;
}

void ApConversation::OnConnectCancelled() {
    m_held = nullptr;
    EndRun();
}

void ApConversation::OnReceived(ApHost& host, const char* data, std::size_t size) {
    if (m_outOfStep) {
        if (size) host.Trace("AP: bytes of a stream out of step ignored");
        return;
    }
    if (data && size) m_reader.Append(std::string_view(data, size));
    // A box opened below reads the socket again: its bytes queue behind these and are taken in order.
    if (m_processing) {
        if (m_reader.Held() > kApMaxHeldBytes) LoseStep(host, "AP: more bytes held than any answer has");
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

// ---- the answers ----

void ApConversation::Process(ApHost& host) {
    const unsigned epoch = m_streamEpoch;
    while (m_reader.HasUnread()) {
        if (m_awaited.empty()) {
            // Nobody asked for these bytes: a late answer of a command whose stream is gone, or noise.
            host.Trace("AP: unasked-for bytes ignored");
            m_reader.SkipUnread();
            break;
        }
        Awaited& head = m_awaited.front();
        const ApReader::Piece piece = m_reader.Next(head.form, head.sentAt, head.started);
        if (piece.kind == ApReader::Kind::NeedMore) break;
        if (piece.kind == ApReader::Kind::Stray) {
            host.Trace(piece.text);
            continue;
        }
        if (piece.kind == ApReader::Kind::Entry) {
            head.started = true;
            head.deadline = host.NowMs() + kApAnswerTimeoutMs; // the list moves on
            if (Live(head)) host.AddRow(piece.text);
            continue;
        }
        // Whatever it is, the answer is taken: its command is no longer owed.
        const Awaited owner = head;
        m_awaited.pop_front();
        if (Live(owner)) {
            switch (piece.kind) {
            case ApReader::Kind::Status:
                OnStatus(host, owner, piece.text);
                break;
            case ApReader::Kind::Filter:
                OnFilter(host, owner, piece.text);
                break;
            case ApReader::Kind::ListEnd:
                OnListEnd(host);
                break;
            default: // NotList
                host.Trace("AP: the list request got no list");
                Begin(ApCmdNone);
                Fail(host, ApBox::FilterAnswer, piece.text);
                break;
            }
        }
        if (epoch != m_streamEpoch) return; // the stream was made anew while a box was open
    }
    m_reader.Compact();
}

void ApConversation::OnStatus(ApHost& host, const Awaited& a, std::string_view answer) {
    const ApStatus status = ClassifyStatusReply(answer);
    if (a.op == ApCmdAddMac) {
        switch (status) {
        case ApStatus::Accepted:
            if (m_pcMacStep == 0) {
                SendPcAdd(host); // the VCI's MAC is in
            } else {
                if (!m_autoSetting && !ShowAndStay(host, ApBox::RegisterDone)) return;
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
            SendNextDelete(host, m_deleteIndex >= m_listCount ? ApBox::DeletePastLastRow
                                                              : ApBox::DeleteRestUnticked);
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

// The AP words its filter answer freely: a refusal is its status code, anything else an acceptance.
void ApConversation::OnFilter(ApHost& host, const Awaited& a, std::string_view answer) {
    const bool refused = ClassifyStatusReply(answer) == ApStatus::Refused;
    if (a.then == Then::Show || refused) {
        Fail(host, ApBox::FilterAnswer, answer);
        return;
    }
    if (a.then == Then::Apply) {
        if (SendApply(host)) host.ShowBox(ApBox::SettingDone, {});
    } else if (a.then == Then::RunAdds && m_autoSetting) {
        StartAdds(host, m_macs);
    }
}

void ApConversation::OnListEnd(ApHost& host) {
    if (m_autoSetting == 1) {
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
