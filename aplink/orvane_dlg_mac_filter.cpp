// The dialog's MAC filter buttons: add, delete ticked or all, filter on/off and apply, the radios, Test,
// and the hidden single-command senders.
#include <string>

#include "client_sock.h"
#include "orvane_dlg_ap_support.h"
#include "ap_protocol.h"
#include "check_list.h"
#include "orvane_dlg.h"
#include "resource.h"

using namespace aplink;
using namespace aplink::dlg;

void COrvaneDlg::OnAddMacToAp() {
    UpdateData(TRUE);
    if (!RequireSocket(*this)) return;
    m_bPcMacStep = 0;
    m_nApCommand = ApCmdAddMac;
    // A MAC text that is not twelve hexadecimal digits, or is all zeros, counts as no MAC at all.
    if (!SendAddCommand(*this, m_strVciMac)) SendPcMacAdd(*this);
}

void COrvaneDlg::OnDeleteSelectedMac() {
    m_nListCount = m_pCheckList ? m_pCheckList->GetCount(nullptr) : 0;
    if (m_nListCount == 0) {
        MessageBox(L"최소한 하나 이상 선택하셔야 합니다.");
        return;
    }
    if (MessageBox(L"선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?", kConfirmCaption, MB_YESNO) ==
        IDNO)
        return;
    m_nApCommand = ApCmdDeleteMac;
    m_nDeleteIndex = 0;
    SendNextDelete(*this, L"삭제 완료1");
}

void COrvaneDlg::OnDeleteAllMac() {
    if (MessageBox(L"모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?", kConfirmCaption,
                   MB_YESNO) == IDNO)
        return;
    m_nListCount = m_pCheckList ? m_pCheckList->GetCount(nullptr) : 0;
    for (int i = 0; i < m_nListCount; ++i)
        m_pCheckList->SetCheck(i, checklist::kChecked);
    OnDeleteSelectedMac();
}

void COrvaneDlg::OnMacFilterSetting() {
    const bool filterSent = SendFilterCommand(*this, m_bMacFilterEnable == 1);
    const bool applySent = SendApply(*this);
    // Both senders have told what went wrong; a setting that did not reach the AP is not complete.
    if (filterSent && applySent) MessageBox(L"설정 완료");
}

void COrvaneDlg::OnFilterEnable() {
    m_bMacFilterEnable = 1;
    UpdateFilterRadios();
}

void COrvaneDlg::OnFilterDisable() {
    m_bMacFilterEnable = 0;
    UpdateFilterRadios();
}

void COrvaneDlg::UpdateFilterRadios() {
    GetDlgItem(IDC_FILTER_ENABLE)->SendMessage(BM_SETCHECK, m_bMacFilterEnable ? BST_CHECKED : BST_UNCHECKED);
    GetDlgItem(IDC_FILTER_DISABLE)
        ->SendMessage(BM_SETCHECK, m_bMacFilterEnable ? BST_UNCHECKED : BST_CHECKED);
}

void COrvaneDlg::OnTest() {
    const int count = m_pCheckList ? m_pCheckList->GetCount(nullptr) : 0;
    CString text;
    text.Format(L"GetCount = %d", count);
    MessageBox(text);
    for (int i = 0; i < count; ++i) {
        text.Format(L"GetCheck(%d) = %d", i, m_pCheckList->GetCheck(i));
        MessageBox(text);
    }
}

void COrvaneDlg::OnMacFilterOn() {
    SendFilterCommand(*this, true);
}

void COrvaneDlg::OnMacFilterOff() {
    SendFilterCommand(*this, false);
}

void COrvaneDlg::OnApply() {
    SendApply(*this);
}

void COrvaneDlg::OnCloseSocket() {
    SendSingleCommand(*this, ApCmdNone, aplink::MakeCloseRequestCommand(), kCommandWaitMs);
}

// Leaves the pending value as it is, unlike every other sender.
void COrvaneDlg::OnWriteMacToAp() {
    UpdateData(TRUE);
    if (!RequireSocket(*this)) return;
    // Only a twelve-digit MAC becomes an add command; anything else sends nothing.
    SendAddCommand(*this, m_strVciMac);
}

void COrvaneDlg::OnDeleteApMac() {
    UpdateData(TRUE);
    if (!RequireSocket(*this)) return;
    m_nApCommand = ApCmdDeleteMac;
    // The hidden list box allows several selections; only an entry that really is selected counts as
    // the current one, and without one nothing is deleted.
    const int entry = m_ListApMac.GetCurSel();
    if (entry < 0 || entry >= m_ListApMac.GetCount() || m_ListApMac.GetSel(entry) <= 0) return;
    char command[aplink::kApCommandBufferSize] = {};
    MakeMacDataToDelete(entry, command);
    if (command[0] == '\0') return;
    WaitAndSend(*this, command, kCommandWaitMs);
}
