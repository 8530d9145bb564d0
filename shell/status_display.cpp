// The main dialog's status display: every 500 ms the VCI link's state goes to the title and label 1015.
#include "orvane_dlg.h"
#include "orvane_version.h"
#include "resource.h"

namespace {
constexpr UINT_PTR kStatusTimer = 1;
} // namespace

void COrvaneDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kStatusTimer) {
        // Written on every tick, changed or not: the texts are cheap and always current.
        if (m_UartComm.m_bUsbConnected) {
            SetWindowText(L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - Connected)");
            SetDlgItemText(IDC_STATUS_VCI, L"VCI 연결");
        } else {
            SetWindowText(L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - NOT Connected)");
            SetDlgItemText(IDC_STATUS_VCI, L"VCI 미연결");
        }
    }
    Default();
}
