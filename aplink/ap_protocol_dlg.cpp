// The dialog's side of the AP command protocol: sending, the command builders, the list request and the
// one reply handler that carries every multi-step operation forward.
#include <algorithm>
#include <cstring>
#include <string>

#include "ap_dlg_support.h"
#include "ap_protocol.h"
#include "auto_setting.h"
#include "check_list.h"
#include "client_sock.h"
#include "mac_text.h"
#include "orvane_dlg.h"
#include "resource.h"

using namespace aplink_dlg;

int COrvaneDlg::SendDataToAP(const char* text) {
    AfxTrace("COrvaneDlg::SendDataToAP : %s", text);
    if (!m_pClientSock) {
        ::WSASetLastError(WSAENOTSOCK);
        return SOCKET_ERROR;
    }
    const int sent = m_pClientSock->Send(text, static_cast<int>(std::strlen(text)), 0);
    if (sent == SOCKET_ERROR) {
        const CStringA error = SendErrorText(::WSAGetLastError());
        AfxTraceText(error); // the program's own text: in the ANSI code page like every trace
        MessageBox(AfxUtf8ToWide(error));
    }
    return sent;
}

void COrvaneDlg::MakeMacDataToAdd(char* buffer) {
    aplink::MakeMacDataToAdd(m_MacAddress, buffer, aplink::kApCommandBufferSize);
}

void COrvaneDlg::MakeMacDataToDelete(int index, char* buffer) {
    CString text;
    m_ListApMac.GetText(index, text);
    if (m_pCheckList) {
        CString rowText;
        if (m_pCheckList->GetItemText(index, rowText) == 0) text = rowText;
    }
    const CStringA narrow = AfxWideToAnsi(text);
    AfxTrace("COrvaneDlg::MakeMacDataToDelete:%s", narrow.GetString());
    aplink::MakeMacDataToDelete(std::wstring_view(text.GetString(), static_cast<size_t>(text.GetLength())),
                                buffer, aplink::kApCommandBufferSize);
}

void COrvaneDlg::MakeMacDataToRead(int, char* buffer) {
    aplink::MakeMacDataToRead(buffer, aplink::kApCommandBufferSize);
}

uint8_t COrvaneDlg::HexToByte(char high, char low) {
    return common::HexToByte(high, low);
}

void COrvaneDlg::ReadApMacList(int index) {
    UpdateData(TRUE);
    if (!RequireSocket(*this)) return;
    m_nApCommand = ApCmdReadList;
    char command[aplink::kApCommandBufferSize] = {};
    MakeMacDataToRead(index, command);
    WaitAndSend(*this, command, kCommandWaitMs);
}

void COrvaneDlg::RefreshApMacList() {
    m_ListApMac.SendMessage(LB_RESETCONTENT);
    if (m_pCheckList) m_pCheckList->DeleteAllItems();
    ReadApMacList(0);
}

namespace {

// The check-list rows carry no value of ours.
constexpr int kNoItemData = -1;

void OnConnectResult(COrvaneDlg& dlg, LPARAM error) {
    if (error == 0) {
        dlg.m_bApConnected = 1;
        dlg.ShowApStatus(true);
        if (dlg.m_bAutoSetting == 1)
            ContinueAutoSetting(dlg);
        else
            dlg.RefreshApMacList();
        return;
    }
    dlg.DropApSocket();
    dlg.m_bApConnected = 0;
    dlg.ShowApStatus(false);
    if (dlg.MessageBox(L"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.",
                       kConfirmCaption, MB_RETRYCANCEL) == IDRETRY)
        dlg.ConnectToAP();
}

void OnAddReply(COrvaneDlg& dlg, std::string_view reply) {
    switch (aplink::ClassifyStatusReply(reply)) {
    case aplink::ApStatus::Accepted:
        if (dlg.m_bPcMacStep == 0) {
            SendPcMacAdd(dlg); // the VCI's MAC is in
        } else {
            if (!dlg.m_bAutoSetting) dlg.MessageBox(L"Mac 등록 완료");
            dlg.RefreshApMacList();
        }
        break;
    // Either ends the registration, and with it an automatic configuration: nothing more is sent.
    case aplink::ApStatus::Refused:
        dlg.MessageBox(L"Mac 등록 실패");
        dlg.m_bAutoSetting = 0;
        break;
    case aplink::ApStatus::Unexpected:
        dlg.MessageBox(CString(L"Mac 등록 에러인데 멀까? : ") + FromApText(reply));
        dlg.m_bAutoSetting = 0;
        break;
    }
}

void OnDeleteReply(COrvaneDlg& dlg, std::string_view reply) {
    switch (aplink::ClassifyStatusReply(reply)) {
    case aplink::ApStatus::Accepted:
        // The box says whether the run had passed its last row already or found no more ticked ones.
        SendNextDelete(dlg, dlg.m_nDeleteIndex >= dlg.m_nListCount ? L"Mac 삭제 완료3" : L"삭제 완료2");
        break;
    case aplink::ApStatus::Refused:
        dlg.MessageBox(L"Mac 삭제 실패");
        break;
    case aplink::ApStatus::Unexpected:
        dlg.MessageBox(CString(L"Mac 삭제 에러인데 멀까? : ") + FromApText(reply));
        break;
    }
}

void OnListReply(COrvaneDlg& dlg, const aplink::ApReplyBuffer& reply) {
    // A copy: boxes below pump messages, and a nested read must not disturb this one.
    const aplink::ApListScan scan = reply.ScanList();
    for (const std::string_view entry : scan.entries) {
        // Entry texts are printable ASCII and short: widened in place, without taking memory.
        wchar_t text[aplink::kApEntryTextLength + 1] = {};
        std::copy(entry.begin(), entry.end(), text);
        dlg.m_ListApMac.AddString(text);
        if (dlg.m_pCheckList) {
            dlg.m_pCheckList->AddItem(text, nullptr, checklist::kUnchecked, kNoItemData,
                                      ::GetSysColor(COLOR_INFOTEXT), ::GetSysColor(COLOR_HIGHLIGHTTEXT),
                                      ::GetSysColor(COLOR_HIGHLIGHT));
            // A control whose creation failed has no window: redrawing "no window" would redraw the desktop.
            if (dlg.m_pCheckList->GetSafeHwnd())
                dlg.m_pCheckList->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
        AfxTrace("%.*s", static_cast<int>(entry.size()), entry.data());
    }
    if (!scan.endSeen) return;
    if (dlg.m_bAutoSetting == 1) {
        // Complete only once the apply command is out; its sender has said why when it is not.
        if (!SendApply(dlg)) return;
        dlg.MessageBox(L"자동 설정 완료");
        dlg.m_bAutoSetting = 0;
    } else {
        dlg.MessageBox(L"Read Completed!!!");
    }
}

} // namespace

LRESULT COrvaneDlg::OnReceiveTCP(WPARAM wParam, LPARAM lParam) {
    if (wParam == TCP_EVT_CONNECT) {
        OnConnectResult(*this, lParam);
        return 0;
    }
    if (wParam == TCP_EVT_CLOSE) {
        DisconnectFromAP();
        MessageBox(L"AP와 연결이 끊어 졌습니다.");
        return 0;
    }

    // Local: a read nested inside one of the boxes below gets its own buffer.
    aplink::ApReplyBuffer reply;
    reply.Clear();
    const int received = m_pClientSock ? m_pClientSock->Receive(reply.data, aplink::kApReplyReadSize, 0) : -1;
    reply.SetReceived(received);
    AfxTrace("COrvaneDlg::OnReceiveTCP : %s", reply.data);

    switch (m_nApCommand) {
    case ApCmdAddMac:
        OnAddReply(*this, reply.Text());
        break;
    case ApCmdDeleteMac:
        OnDeleteReply(*this, reply.Text());
        break;
    case ApCmdReadList:
        OnListReply(*this, reply);
        break;
    case ApCmdSetFilter:
        MessageBox(CString(L"응답 : ") + FromApText(reply.Text()));
        break;
    default:
        break;
    }
    return 0;
}
