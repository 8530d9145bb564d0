// The dialog's MAC filter buttons: add, delete ticked or all, filter on/off and apply, the radios, Test,
// and the hidden single-command senders.
#include "aplink/dialog_ap_host.h"
#include "checklist/check_list.h"
#include "shell/orvane_dlg.h"
#include "resources/resource.h"

using namespace aplink::dlg;

void COrvaneDlg::OnAddMacToAp() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.AddMacs(host);
}

void COrvaneDlg::OnDeleteSelectedMac() {
    if (!m_pCheckList || m_pCheckList->GetCount(nullptr) == 0) {
        MessageBox(L"최소한 하나 이상 선택하셔야 합니다.");
        return;
    }
    if (MessageBox(L"선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?", kConfirmCaption, MB_YESNO) ==
        IDNO)
        return;
    DialogApHost host(*this);
    m_ApConversation.StartDeleteRun(host);
}

void COrvaneDlg::OnDeleteAllMac() {
    if (MessageBox(L"모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?", kConfirmCaption,
                   MB_YESNO) == IDNO)
        return;
    const int rows = m_pCheckList ? m_pCheckList->GetCount(nullptr) : 0;
    for (int i = 0; i < rows; ++i)
        m_pCheckList->SetCheck(i, checklist::kChecked);
    OnDeleteSelectedMac();
}

void COrvaneDlg::OnMacFilterSetting() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.MacFilterSetting(host, m_bMacFilterEnable == 1);
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

// The hidden filter buttons show the AP's answer.
void COrvaneDlg::OnMacFilterOn() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.SendFilter(host, true);
}

void COrvaneDlg::OnMacFilterOff() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.SendFilter(host, false);
}

void COrvaneDlg::OnApply() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.Apply(host);
}

void COrvaneDlg::OnCloseSocket() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.SendCloseRequest(host);
}

// Leaves the pending value as it is, unlike every other sender.
void COrvaneDlg::OnWriteMacToAp() {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.WriteVciMac(host);
}

void COrvaneDlg::OnDeleteApMac() {
    UpdateData(TRUE);
    // The hidden list box allows several selections; only an entry that really is selected counts as
    // the current one, and without one nothing is deleted.
    int entry = m_ListApMac.GetCurSel();
    if (entry < 0 || entry >= m_ListApMac.GetCount() || m_ListApMac.GetSel(entry) <= 0) entry = -1;
    DialogApHost host(*this);
    m_ApConversation.DeleteOne(host, entry);
}
