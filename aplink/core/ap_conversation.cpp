// The AP conversation: operations, the answers they await in order, and the reader that takes exactly
// those answers off the stream.
#include "aplink/core/ap_conversation.h"

#include <algorithm>

#include "aplink/core/ap_protocol.h"
#include "common/core/mac_text.h"

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

// "w fff0 " and six lower-case pairs, never the all-zero MAC (the AP's end of list).
bool IsAddCommandText(std::string_view command) {
    const std::uint8_t zero[common::kMacBytes] = {};
    const std::string model = MakeAddCommand(zero);
    const std::size_t macAt = model.size() - 1 - common::kMacSpacedLength;
    if (command.size() != model.size() || command.substr(0, macAt) != model.substr(0, macAt) ||
        command.back() != '\r')
        return false;
    const std::string_view mac = command.substr(macAt, common::kMacSpacedLength);
    return common::IsSpacedMacText(mac) && mac != kApListEndText;
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
        if (Live(a) && a.deadline <= nowMs) return true;
    return false;
}

void ApConversation::Begin(int op) {
    pending = op;
    ++m_generation;
}

// An answer acts only for the operation that is still the current one; any other is taken and traced.
bool ApConversation::Live(const Awaited& a) const {
    return !a.expired && a.generation == m_generation && a.op == pending;
}

bool ApConversation::RequireSocket(ApHost& host) {
    if (host.HasSocket()) return true;
    host.ShowBox(ApBox::NotConnected, {});
    return false;
}

bool ApConversation::SendCommand(ApHost& host, const std::string& command, unsigned waitMs) {
    if (host.Send(command, waitMs)) return true;
    // A run that could not send has stopped; left on, it would later report success for what never happened.
    autoSetting = 0;
    return false;
}

bool ApConversation::SendAwaited(ApHost& host, const std::string& command, unsigned waitMs, ApAnswerForm form,
                                 bool shown) {
    if (!SendCommand(host, command, waitMs)) return false;
    if (m_awaited.size() >= kApMaxAwaited) m_awaited.pop_front();
    m_awaited.push_back({form, pending, m_generation, shown, host.NowMs() + kApAnswerTimeoutMs});
    return true;
}

void ApConversation::EndRun() {
    autoSetting = 0;
}

// ---- operations ----

void ApConversation::AddMacs(ApHost& host, bool byUser) {
    if (byUser) EndRun();
    if (!RequireSocket(host)) return;
    pcMacStep = 0;
    Begin(ApCmdAddMac);
    // A MAC text that is not twelve hexadecimal digits, or is all zeros, counts as no MAC at all.
    if (!SendAdd(host, ApMacSource::Vci)) SendPcAdd(host);
}

// The pending value stays, so its answer is read as that operation's; earlier answers are no longer awaited.
void ApConversation::WriteVciMac(ApHost& host) {
    EndRun();
    if (!RequireSocket(host)) return;
    Begin(pending);
    SendAdd(host, ApMacSource::Vci);
}

bool ApConversation::SendAdd(ApHost& host, ApMacSource source) {
    const std::string command = host.AddCommand(source);
    if (!IsAddCommandText(command)) return false;
    SendAwaited(host, command, kCommandWaitMs, ApAnswerForm::Status);
    return true;
}

void ApConversation::SendPcAdd(ApHost& host) {
    pcMacStep = 1;
    if (!SendAdd(host, ApMacSource::Pc)) EndAutoWithoutPcMac(host);
}

// A registration started by hand ends silently without a PC MAC; a run says so and shows what the AP holds.
void ApConversation::EndAutoWithoutPcMac(ApHost& host) {
    if (!autoSetting) return;
    Begin(ApCmdNone);
    host.ShowBox(ApBox::NoPcMac, {});
    EndRun();
    host.ClearRows();
    ReadList(host, false);
}

void ApConversation::StartDeleteRun(ApHost& host) {
    EndRun();
    Begin(ApCmdDeleteMac);
    deleteIndex = 0;
    SendNextDelete(host, ApBox::DeleteDone1);
}

void ApConversation::SendNextDelete(ApHost& host, ApBox doneBox) {
    for (;;) {
        while (deleteIndex < listCount && !host.RowMarked(deleteIndex))
            ++deleteIndex;
        if (deleteIndex >= listCount) {
            if (!autoSetting) host.ShowBox(doneBox, {});
            host.ClearRows();
            ReadList(host, false);
            return;
        }
        const int row = deleteIndex++;
        // Only now: a button's confirmation and the scan come before the socket test.
        if (!RequireSocket(host)) return;
        const std::string command = host.DeleteCommand(row);
        if (IsDeleteCommandText(command)) {
            SendAwaited(host, command, kCommandWaitMs, ApAnswerForm::Status);
            return;
        }
        // A row that holds no whole MAC names nothing the AP could delete.
        host.Trace("AP: a ticked row without a MAC is skipped");
    }
}

void ApConversation::DeleteOne(ApHost& host, int row) {
    EndRun();
    if (!RequireSocket(host)) return;
    Begin(ApCmdDeleteMac);
    if (row < 0) return;
    const std::string command = host.DeleteCommand(row);
    if (IsDeleteCommandText(command)) SendAwaited(host, command, kCommandWaitMs, ApAnswerForm::Status);
}

void ApConversation::ReadList(ApHost& host, bool byUser) {
    if (byUser) EndRun();
    if (!RequireSocket(host)) return;
    Begin(ApCmdReadList);
    SendAwaited(host, MakeReadListCommand(), kCommandWaitMs, ApAnswerForm::List);
}

bool ApConversation::SendFilter(ApHost& host, bool on, bool shown) {
    if (shown) EndRun();
    if (!RequireSocket(host)) return false;
    Begin(ApCmdSetFilter);
    return SendAwaited(host, MakeFilterCommand(on), on ? kNoWait : kCommandWaitMs, ApAnswerForm::Filter,
                       shown);
}

bool ApConversation::Apply(ApHost& host) {
    EndRun();
    return SendApply(host);
}

bool ApConversation::SendApply(ApHost& host) {
    if (!RequireSocket(host)) return false;
    Begin(ApCmdNone);
    return SendCommand(host, MakeApplyCommand(), kCommandWaitMs);
}

void ApConversation::SendCloseRequest(ApHost& host) {
    EndRun();
    if (!RequireSocket(host)) return;
    Begin(ApCmdNone);
    SendCommand(host, MakeCloseRequestCommand(), kCommandWaitMs);
}

void ApConversation::MacFilterSetting(ApHost& host, bool on) {
    EndRun();
    const bool filterSent = SendFilter(host, on, false);
    const bool applySent = SendApply(host);
    // Both senders have told what went wrong; a setting that did not reach the AP is not complete.
    if (filterSent && applySent) host.ShowBox(ApBox::SettingDone, {});
}

// A run is an operation of its own: answers to what was sent before it are not its answers.
void ApConversation::BeginAutoSetting() {
    autoSetting = 1;
    Begin(ApCmdNone);
}

void ApConversation::ContinueAutoSetting(ApHost& host) {
    Begin(ApCmdNone);
    host.ReadMacsAndEnableFilter();
    SendFilter(host, true, false);
    // A send error has ended the run; registering MACs as a plain add would follow otherwise.
    if (!autoSetting) return;
    host.Pause(kAutoFilterWaitMs);
    AddMacs(host, false);
}

// ---- the socket's events ----

void ApConversation::OnConnected(ApHost& host) {
    OnClosed();
    if (autoSetting == 1) {
        ContinueAutoSetting(host);
    } else {
        host.ClearRows();
        ReadList(host, false);
    }
}

// An unfinished run stays on: the next connect carries it on from its start.
void ApConversation::OnClosed() {
    m_awaited.clear();
    m_stream.clear();
    m_at = 0;
    m_answerOpen = false;
    ++m_streamEpoch;
    pending = ApCmdNone;
    ++m_generation;
}

void ApConversation::OnReceived(ApHost& host, const char* data, std::size_t size) {
    if (data && size) m_stream.append(data, size);
    // A box opened below reads the socket again: its bytes queue behind these and are taken in order.
    if (m_processing) return;
    m_processing = true;
    // A connection lost and made again while a box was open starts a new stream: read that one too.
    for (unsigned epoch = m_streamEpoch + 1; epoch != m_streamEpoch;) {
        epoch = m_streamEpoch;
        Process(host);
    }
    m_processing = false;
}

void ApConversation::OnTick(ApHost& host) {
    if (m_processing) return;
    const std::uint64_t now = host.NowMs();
    for (std::size_t i = 0; i < m_awaited.size(); ++i) {
        Awaited& a = m_awaited[i];
        if (a.expired || now < a.deadline) continue;
        const bool live = Live(a);
        a.expired = true;
        if (!live) continue;
        host.Trace("AP: no answer within its bound");
        EndRun();
        Begin(ApCmdNone);
        host.ShowBox(ApBox::NoAnswer, {});
        return; // the box may have changed the list: the next tick looks again
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
            m_stream.clear();
            m_at = 0;
            m_answerOpen = false;
            break;
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
        if (epoch != m_streamEpoch) return; // the connection went while a box was open
        if (!taken) break;
    }
    if (m_at >= m_stream.size()) {
        m_stream.clear();
        m_at = 0;
    } else if (m_at > 0) {
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
    // Taken as the filter's own answer wherever it was sent from; shown only for the buttons that ask.
    if (Live(owner) && owner.shown) host.ShowBox(ApBox::FilterAnswer, answer);
    return true;
}

// List entries up to the end entry: "701", four bytes not examined, a MAC text. Bytes between entries
// that start no whole entry are skipped; an entry cut by the end of a read waits for its rest. An answer
// that does not begin as a list is the request's answer all the same, and no list.
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
            m_at = StatusAnswerEnd(m_at);
            host.Trace("AP: the list request got no list");
            const Awaited owner = a;
            m_awaited.pop_front();
            if (Live(owner)) {
                EndRun();
                Begin(ApCmdNone);
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
        if (!common::IsSpacedMacText(text)) {
            // A "701" of some other answer read together with the list: no row the AP never had.
            m_at += kApAccepted.size();
            continue;
        }
        m_at += kEntrySize;
        a.started = true;
        a.deadline = host.NowMs() + kApAnswerTimeoutMs; // the list moves on
        if (Live(a)) host.AddRow(text);
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
                if (!autoSetting) host.ShowBox(ApBox::RegisterDone, {});
                host.ClearRows();
                ReadList(host, false);
            }
            return;
        // Either ends the registration, and with it a run: nothing more is sent.
        case ApStatus::Refused:
            host.ShowBox(ApBox::RegisterFailed, {});
            EndRun();
            return;
        case ApStatus::Unexpected:
            host.ShowBox(ApBox::RegisterError, answer);
            EndRun();
            return;
        }
    }
    if (a.op == ApCmdDeleteMac) {
        switch (status) {
        case ApStatus::Accepted:
            // The box says whether the run had passed its last row already or found no more ticked ones.
            SendNextDelete(host, deleteIndex >= listCount ? ApBox::DeleteDone3 : ApBox::DeleteDone2);
            return;
        case ApStatus::Refused:
            host.ShowBox(ApBox::DeleteFailed, {});
            return;
        case ApStatus::Unexpected:
            host.ShowBox(ApBox::DeleteError, answer);
            return;
        }
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
