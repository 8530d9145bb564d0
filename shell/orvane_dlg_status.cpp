// The main dialog's status display: the AP and VCI labels, and every kStatusTimerMs the VCI link's state in
// the title and IDC_STATUS_VCI.
#include "shell/orvane_dlg.h"
#include "aplink/dialog_ap_host.h"
#include "orvane_version.h"
#include "resources/resource.h"

void COrvaneDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kStatusTimer) {
        // Written on every tick, changed or not: the texts are cheap and always current.
        const bool connected = m_UartComm.m_bUsbConnected;
        SetWindowText(connected ? L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - Connected)"
                                : L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - NOT Connected)");
        ShowVciStatus(connected);
        // An AP answer owed past its bound ends the operation waiting for it, with a box.
        aplink::dlg::DialogApHost host(*this);
        if (m_ApConversation.HasOverdue(host.NowMs())) {
            OperationScope scope(*this);
            m_ApConversation.OnTick(host);
        }
    }
    Default();
}

void COrvaneDlg::ShowApStatus(bool connected) {
    SetDlgItemText(IDC_STATUS_AP, connected ? L"AP 연결" : L"AP 미연결");
}

void COrvaneDlg::ShowVciStatus(bool connected) {
    SetDlgItemText(IDC_STATUS_VCI, connected ? L"VCI 연결" : L"VCI 미연결");
}
