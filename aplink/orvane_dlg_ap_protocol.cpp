// The dialog's side of the AP command protocol: sending, the command builders, the list request and the
// one reply handler that carries every multi-step operation forward.
#include <algorithm>
#include <cstring>
#include <string>

#include "orvane_dlg_ap_support.h"
#include "ap_protocol.h"
#include "orvane_dlg_auto_setting.h"
#include "check_list.h"
#include "client_sock.h"
#include "mac_text.h"
#include "orvane_dlg.h"
#include "resource.h"

using namespace aplink;
using namespace aplink::dlg;

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

// The AP conversation. Replies name no command, so m_nApCommand (an ApCommand) says how the next read of
// the socket is taken; every read is traced first. The table is every transition: pending value, reply,
// the state that decides among actions, the action, the next pending value. A sender tests for the socket
// before it sets anything (without one it shows "AP에 연결되어 있지 않습니다."), OnDeleteSelectedMac only
// before its first delete. Words used:
//   send   WaitAndSend: kCommandWaitMs first (the filter-on command goes at once); a failed send shows its
//          error and ends automatic configuration, the pending value staying as it is.
//   list   RefreshApMacList: both lists emptied and the read sent, pending ReadList.
//   none   m_strPcMac holds no MAC LoadMacForAdd takes (twelve digits, not all zero: that one is never sent).
//   auto   automatic configuration runs (m_bAutoSetting); "auto ends": m_bAutoSetting 0.
//   (box)  not shown under auto.
//
// pending    reply  deciding                    action                                           next
// AddMac     "701"  m_bPcMacStep 0, PC MAC      m_bPcMacStep 1, send the PC's add                AddMac
//                   m_bPcMacStep 0, none, auto  m_bPcMacStep 1, EndAutoSettingWithoutPcMac:      ReadList
//                                               None, "PC MAC Address를 찾을 수 없습니다.",
//                                               auto ends, list
//                   m_bPcMacStep 0, none        m_bPcMacStep 1, nothing else                     AddMac
//                   m_bPcMacStep 1              (box) "Mac 등록 완료", list                      ReadList
//            "200"                              "Mac 등록 실패", auto ends                       AddMac
//            other                              "Mac 등록 에러인데 멀까? : " + reply, auto ends  AddMac
// DeleteMac  "701"  a ticked (or middle) row    send its delete, m_nDeleteIndex past it          DeleteMac
//                     from m_nDeleteIndex on
//                   m_nDeleteIndex at the end   (box) "Mac 삭제 완료3", list                     ReadList
//                   no ticked row left          (box) "삭제 완료2", list                         ReadList
//            "200"                              "Mac 삭제 실패"                                  DeleteMac
//            other                              "Mac 삭제 에러인데 멀까? : " + reply             DeleteMac
// ReadList   any    no end entry                its entries added to both lists                  ReadList
//                   end entry, auto             the entries, SendApply (None); auto ends, with   None
//                                               "자동 설정 완료" when the apply went out
//                   end entry                   the entries, "Read Completed!!!"                 ReadList
// SetFilter  any                                "응답 : " + reply                                SetFilter
// None       any                                nothing                                          None
//
// The senders. OnAddMacToAp: AddMac, m_bPcMacStep 0, the VCI's add; without a VCI MAC, the "701" rows
// of m_bPcMacStep 0 at once. OnWriteMacToAp: the VCI's add, the pending value left as it is.
// OnDeleteSelectedMac (OnDeleteAllMac ticks every row first): DeleteMac, m_nListCount the rows,
// m_nDeleteIndex 0, then the "701" rows' step with "삭제 완료1" for "삭제 완료2". OnDeleteApMac:
// DeleteMac, the selected entry's delete. ReadApMacList: ReadList. SendFilterCommand: SetFilter.
// SendApply, OnCloseSocket: None. OnMacFilterSetting: SetFilter, then SendApply (None); "설정 완료"
// only when both went out. OnAutoSetting: auto; ContinueAutoSetting when connected, else
// ConnectToAP and the connect carries it on. None is also the value at the start.
//
// The socket's other events. Connected: m_bApConnected 1, "AP 연결"; under auto ContinueAutoSetting
// (both MACs read, the filter on: SetFilter; kAutoFilterWaitMs, then OnAddMacToAp: AddMac, under which
// the filter command's answer is read), else list. Connect failed: the socket dropped, m_bApConnected 0,
// "AP 미연결", a Retry/Cancel box whose Retry connects again. Closed: DisconnectFromAP (the socket
// dropped, "AP 미연결", None), then "AP와 연결이 끊어 졌습니다.". Neither changes auto: the next
// connect carries an unfinished automatic configuration on.
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
