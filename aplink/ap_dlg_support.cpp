// The AP handlers' shared steps: blocking waits, reply text for boxes, MAC loading, the socket test and
// the send with its error report.
#include "ap_dlg_support.h"

#include <string>

#include "mac_text.h"
#include "orvane_dlg.h"

namespace aplink_dlg {

void BlockingWait(DWORD ms) {
    ::Sleep(ms);
}

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
        std::wstring_view(macText.GetString(), static_cast<size_t>(macText.GetLength())), dlg.m_MacAddress);
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

void WaitAndSend(COrvaneDlg& dlg, const char* command, DWORD waitMs) {
    if (waitMs != kNoWait) BlockingWait(waitMs);
    if (dlg.SendDataToAP(command) == SOCKET_ERROR)
        dlg.MessageBox(AfxUtf8ToWide(SendErrorText(::WSAGetLastError())));
}

} // namespace aplink_dlg
