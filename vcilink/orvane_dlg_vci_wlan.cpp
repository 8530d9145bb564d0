// The main dialog's VCI operations: WLAN configuration requests, one setting read, and the VCI MAC read.
#include <cstring>

#include "shell/orvane_dlg.h"
#include "resources/resource.h"
#include "vcilink/core/vci_timings.h"
#include "vcilink/core/wlan_settings.h"

using namespace vcilink;

namespace {

// WriteMsg succeeds even when a frame could not be written; the link is closed then. A request is out
// only when the link is still up afterwards: otherwise no VCI acts on it and no answer can come.
bool RequestWentOut(CUartCommHox& link, const void* msg) {
    return link.WriteMsg(msg) && link.m_bUsbConnected;
}

// A read that failed leaves no MAC behind: an earlier VCI's MAC must not pass for the one on the cable.
void ForgetVciMac(COrvaneDlg& dlg) {
    dlg.m_strVciMac.Empty();
    dlg.SetDlgItemText(IDC_VCI_MAC_EDIT, L"");
}

} // namespace

BOOL COrvaneDlg::EnterWlanConfig() {
    const auto msg = BuildEnterWlanConfig();
    // Without the request out, the pause would only hold the dialog.
    if (!RequestWentOut(m_UartComm, msg.data())) return FALSE;
    BlockingWait(kEnterConfigPauseMs); // deliberately without pumping: the reader waits in its SendMessage
    return TRUE;
}

BOOL COrvaneDlg::LeaveWlanConfig() {
    const auto msg = BuildLeaveWlanConfig();
    return m_UartComm.WriteMsg(msg.data());
}

BOOL COrvaneDlg::ReadWlanSetting(int type) {
    uint8_t request[kVciMaxMessage] = {};
    std::array<uint8_t, kWlanReadRequestLength> built{};
    if (!BuildReadWlanSetting(type, built)) return FALSE;
    std::memcpy(request, built.data(), built.size());
    // Replies carry no reference to their request: a late or unsolicited message must not pass as this
    // one's answer, also one the reader took in during the enter pause and holds for this thread.
    m_UartComm.DiscardReceived();
    if (!RequestWentOut(m_UartComm, request)) return FALSE;

    uint8_t reply[kVciMaxMessage] = {};
    int received = 0;
    // No answer is a failed read; the setting keeps what it held.
    if (!m_UartComm.ReadMsg(reply, kSettingReplyTimeoutMs, &received)) return FALSE;
    // A value with more or fewer numbers than the setting has is no reading of it: part of it would be
    // the earlier value.
    const std::span<const uint8_t> answer{reply, static_cast<size_t>(received)};
    const WlanSettingType* setting = FindWlanSettingType(type);
    if (!setting || CountWlanReplyNumbers(answer) != setting->numbers) return FALSE;
    ParseWlanSettingReply(type, answer, m_WlanSettings);
    return TRUE;
}

void COrvaneDlg::ReadVciMacAddress() {
    if (!m_UartComm.m_bUsbConnected) {
        ForgetVciMac(*this);
        ShowVciStatus(false);
        MessageBox(L"VCI is not connected. (USB)");
        return;
    }
    const bool entered = EnterWlanConfig();
    if (!entered || !ReadWlanSetting(kWlanTypeMacAddress)) {
        // The VCI is not left in configuration because its answer went missing.
        if (entered) LeaveWlanConfig();
        ForgetVciMac(*this);
        // Shown during automatic configuration too: it goes on without the VCI's MAC.
        MessageBox(L"VCI에서 응답이 없습니다.");
        return;
    }
    if (!LeaveWlanConfig()) {
        ForgetVciMac(*this);
        return;
    }

    m_strVciMac = AfxUtf8ToWide(VciMacText(m_WlanSettings).c_str());
    CopyVciMacAddress(m_WlanSettings, m_MacAddress);
    UpdateData(FALSE);
    if (!m_bAutoSetting) MessageBox(L"Read Completed");
}

void COrvaneDlg::OnReadVciMac() {
    if (!m_UartComm.m_bUsbConnected) {
        ForgetVciMac(*this);
        SetDlgItemText(IDC_READ_VCI_MAC_ADDRESS, L"VCI MAC Address 읽기");
        ShowVciStatus(false);
        MessageBox(L"PC와 VCI가 연결되지 않았습니다. USB 연결을 확인하여 주십시오.");
        return;
    }
    SetDlgItemText(IDC_READ_VCI_MAC_ADDRESS, L"VCI MAC Address 읽는 중입니다.");
    ReadVciMacAddress();
    CString caption;
    if (!m_strVciMac.IsEmpty())
        caption.Format(L"VCI MAC Address 읽기   %ls", static_cast<const wchar_t*>(m_strVciMac));
    else
        caption = L"VCI MAC Address 읽기";
    SetDlgItemText(IDC_READ_VCI_MAC_ADDRESS, caption);
}
