// The AP handlers' shared steps: reply text for boxes, MAC loading, the socket test, the send with its
// error report, and the add and delete steps.
#include "orvane_dlg_ap_support.h"

#include <string>

#include "ap_protocol.h"
#include "check_list.h"
#include "mac_text.h"
#include "orvane_dlg.h"

namespace aplink::dlg {

namespace {

// A row of a delete run is deleted when ticked or in the middle state; the answer for a row that is no
// longer there (kNoItem) counts as not ticked, so a run never deletes what nobody ticked.
bool IsMarkedForDelete(int check) {
    return check == checklist::kChecked || check == checklist::kMiddle;
}

} // namespace

CString FromApText(std::string_view bytes) {
    if (bytes.empty()) return CString();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return CString();
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return CString(text);
}

bool LoadMacForAdd(COrvaneDlg& dlg, const CString& macText) {
    return common::MacTextToBytes(
               std::wstring_view(macText.GetString(), static_cast<size_t>(macText.GetLength())),
               dlg.m_MacAddress) &&
           !common::IsZeroMac(dlg.m_MacAddress);
}

void EndAutoSettingWithoutPcMac(COrvaneDlg& dlg) {
    if (!dlg.m_bAutoSetting) return;
    // The registration is over: an answer still on its way (the VCI's, when the filter command's answer
    // was taken for it) is only traced while the box is open.
    dlg.m_nApCommand = ApCmdNone;
    dlg.MessageBox(L"PC MAC Address를 찾을 수 없습니다.");
    dlg.m_bAutoSetting = 0;
    dlg.RefreshApMacList();
}

CStringA SendErrorText(int error) {
    CStringA text;
    text.Format("TCP 전송 에러. Error code : %d", error);
    return text;
}

bool RequireSocket(COrvaneDlg& dlg) {
    if (dlg.m_pClientSock) return true;
    dlg.MessageBox(L"AP에 연결되어 있지 않습니다.");
    return false;
}

bool WaitAndSend(COrvaneDlg& dlg, const char* command, DWORD waitMs) {
    if (waitMs != kNoWait) COrvaneDlg::BlockingWait(waitMs);
    if (dlg.SendDataToAP(command) != SOCKET_ERROR) return true;
    dlg.MessageBox(AfxUtf8ToWide(SendErrorText(::WSAGetLastError())));
    // An automatic configuration that could not send has stopped; left set, it would later report
    // success for what never happened.
    dlg.m_bAutoSetting = 0;
    return false;
}

bool SendSingleCommand(COrvaneDlg& dlg, ApCommand pending, const std::string& command, DWORD waitMs) {
    dlg.UpdateData(TRUE);
    if (!RequireSocket(dlg)) return false;
    dlg.m_nApCommand = pending;
    char buffer[aplink::kApCommandBufferSize] = {};
    if (aplink::CopyCommand(command, buffer, sizeof buffer) == 0) return false;
    return WaitAndSend(dlg, buffer, waitMs);
}

bool SendFilterCommand(COrvaneDlg& dlg, bool enable) {
    return SendSingleCommand(dlg, ApCmdSetFilter, aplink::MakeFilterCommand(enable),
                             enable ? kNoWait : kCommandWaitMs);
}

bool SendApply(COrvaneDlg& dlg) {
    return SendSingleCommand(dlg, ApCmdNone, aplink::MakeApplyCommand(), kCommandWaitMs);
}

bool SendAddCommand(COrvaneDlg& dlg, const CString& macText) {
    if (!LoadMacForAdd(dlg, macText)) return false;
    char command[aplink::kApCommandBufferSize] = {};
    dlg.MakeMacDataToAdd(command);
    WaitAndSend(dlg, command, kCommandWaitMs);
    return true;
}

void SendPcMacAdd(COrvaneDlg& dlg) {
    dlg.m_bPcMacStep = 1;
    if (!SendAddCommand(dlg, dlg.m_strPcMac)) EndAutoSettingWithoutPcMac(dlg);
}

void SendNextDelete(COrvaneDlg& dlg, const wchar_t* doneText) {
    while (dlg.m_nDeleteIndex < dlg.m_nListCount &&
           !IsMarkedForDelete(dlg.m_pCheckList ? dlg.m_pCheckList->GetCheck(dlg.m_nDeleteIndex)
                                               : checklist::kNoItem))
        ++dlg.m_nDeleteIndex;
    if (dlg.m_nDeleteIndex >= dlg.m_nListCount) {
        if (!dlg.m_bAutoSetting) dlg.MessageBox(doneText);
        dlg.RefreshApMacList();
        return;
    }
    const int entry = dlg.m_nDeleteIndex++;
    // Only now: a button's confirmation and the scan come before the socket test.
    if (!RequireSocket(dlg)) return;
    char command[aplink::kApCommandBufferSize] = {};
    dlg.MakeMacDataToDelete(entry, command);
    WaitAndSend(dlg, command, kCommandWaitMs);
}

} // namespace aplink::dlg
