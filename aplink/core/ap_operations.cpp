// The AP conversation's operations: what each button (and an automatic configuration) sends first, and
// the steps that carry an operation on from one answer to the next command.
#include "aplink/core/ap_conversation.h"
#include "aplink/core/ap_protocol.h"

namespace aplink {

void ApConversation::AddMacs(ApHost& host) {
    EndRun();
    if (Resync(host, [this](ApHost& h) { AddMacs(h); })) return;
    StartAdds(host, host.StoredMacs());
}

void ApConversation::StartAdds(ApHost& host, const ApMacs& macs) {
    if (!RequireSocket(host)) {
        EndRun();
        return;
    }
    m_macs = macs;
    m_pcMacStep = 0;
    Begin(ApCmdAddMac);
    if (!SendAdd(host, m_macs.vci)) SendPcAdd(host);
}

// The m_pending value stays, so its answer is read as that operation's; earlier answers are no longer
// awaited.
void ApConversation::WriteVciMac(ApHost& host) {
    EndRun();
    if (Resync(host, [this](ApHost& h) { WriteVciMac(h); })) return;
    if (!RequireSocket(host)) return;
    m_macs = host.StoredMacs();
    Begin(m_pending);
    SendAdd(host, m_macs.vci);
}

// False when there is no MAC to send: the all-zero MAC is the AP's end of list, never a MAC.
bool ApConversation::SendAdd(ApHost& host, const std::optional<ApMac>& mac) {
    if (!mac || common::IsZeroMac(mac->data())) return false;
    SendAwaited(host, MakeAddCommand(mac->data()), kCommandWaitMs, ApAnswerForm::Status);
    return true;
}

void ApConversation::SendPcAdd(ApHost& host) {
    m_pcMacStep = 1;
    if (!SendAdd(host, m_macs.pc)) EndAutoWithoutPcMac(host);
}

// A registration started by hand ends silently without a PC MAC; a run says so and shows what the AP holds.
void ApConversation::EndAutoWithoutPcMac(ApHost& host) {
    if (!m_autoSetting) return;
    Begin(ApCmdNone);
    const bool stay = ShowAndStay(host, ApBox::NoPcMac);
    EndRun();
    if (!stay) return;
    host.ClearRows();
    ReadList(host, false);
}

void ApConversation::StartDeleteRun(ApHost& host) {
    EndRun();
    if (Resync(host, [this](ApHost& h) { StartDeleteRun(h); })) return;
    Begin(ApCmdDeleteMac);
    m_listCount = host.RowCount();
    m_deleteIndex = 0;
    m_deletedRows.clear();
    SendNextDelete(host, ApBox::DeleteNoneTicked);
}

// A box pumps messages: false when another operation began, or the stream went, while it was open.
bool ApConversation::ShowAndStay(ApHost& host, ApBox box) {
    const unsigned generation = m_generation;
    host.ShowBox(box, {});
    return generation == m_generation;
}

// The command names the row's MAC text as the AP listed it. False for a row without a whole MAC, which
// names nothing the AP could delete.
bool ApConversation::SendDelete(ApHost& host, int row) {
    const std::string text = host.RowText(row);
    if (!common::IsSpacedMacText(text) || text == kApListEndText) {
        host.Trace("AP: a ticked row without a MAC is skipped");
        return false;
    }
    if (!SendAwaited(host, MakeDeleteCommand(text), kCommandWaitMs, ApAnswerForm::Status, Then::Nothing, row))
        EndDeleteRun(host);
    return true;
}

void ApConversation::SendNextDelete(ApHost& host, ApBox doneBox) {
    for (;;) {
        while (m_deleteIndex < m_listCount && !host.RowMarked(m_deleteIndex))
            ++m_deleteIndex;
        if (m_deleteIndex >= m_listCount) {
            m_deletedRows.clear(); // the list is read again whole
            if (!m_autoSetting && !ShowAndStay(host, doneBox)) return;
            host.ClearRows();
            ReadList(host, false);
            return;
        }
        const int row = m_deleteIndex++;
        // Only now: a button's confirmation and the scan come before the socket test.
        if (!RequireSocket(host)) return;
        if (SendDelete(host, row)) return;
    }
}

void ApConversation::DeleteOne(ApHost& host, int row) {
    EndRun();
    if (Resync(host, [this, row](ApHost& h) { DeleteOne(h, row); })) return;
    if (!RequireSocket(host)) return;
    Begin(ApCmdDeleteMac);
    m_deletedRows.clear();
    if (row >= 0) SendDelete(host, row);
}

void ApConversation::ReadList(ApHost& host, bool byUser) {
    if (byUser) {
        EndRun();
        if (Resync(host, [this](ApHost& h) { ReadList(h, true); })) return;
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
    if (Resync(host, [this, on](ApHost& h) { SendFilter(h, on); })) return;
    SendFilterCommand(host, on, Then::Show);
}

void ApConversation::Apply(ApHost& host) {
    EndRun();
    if (Resync(host, [this](ApHost& h) { Apply(h); })) return;
    SendApply(host);
}

bool ApConversation::SendApply(ApHost& host) {
    if (!RequireSocket(host)) return false;
    Begin(ApCmdNone);
    return SendCommand(host, MakeApplyCommand(), kCommandWaitMs);
}

void ApConversation::SendCloseRequest(ApHost& host) {
    EndRun();
    if (Resync(host, [this](ApHost& h) { SendCloseRequest(h); })) return;
    if (!RequireSocket(host)) return;
    Begin(ApCmdNone);
    SendCommand(host, MakeCloseRequestCommand(), kCommandWaitMs);
}

// The apply and "설정 완료" follow the filter command's acceptance (OnFilter).
void ApConversation::MacFilterSetting(ApHost& host, bool on) {
    EndRun();
    if (Resync(host, [this, on](ApHost& h) { MacFilterSetting(h, on); })) return;
    SendFilterCommand(host, on, Then::Apply);
}

// A run is an operation of its own: answers to what was sent before it are not its answers.
void ApConversation::BeginAutoSetting() {
    m_held = nullptr;
    m_autoSetting = 1;
    Begin(ApCmdNone);
}

void ApConversation::ContinueAutoSetting(ApHost& host) {
    if (Resync(host, nullptr)) {
        if (host.HasSocket()) m_autoSetting = 1; // carried on by the connect
        return;
    }
    Begin(ApCmdNone);
    const unsigned generation = m_generation;
    const ApMacs macs = host.ReadMacsAndEnableFilter();
    // The reads pump messages: a lost connection or another operation may have come in between.
    if (generation != m_generation || !m_autoSetting) return;
    // The filter's acceptance starts the adds; its answer is awaited only after the AP's time.
    if (!SendFilterCommand(host, true, Then::RunAdds)) return;
    m_macs = macs;
    host.Pause(kAutoFilterWaitMs);
    Absorb(host);
    OnReceived(host, nullptr, 0);
}

} // namespace aplink
