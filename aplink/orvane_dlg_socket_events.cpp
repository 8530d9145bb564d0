// The dialog's side of the AP command protocol: sending, the command builders, the list request, and the
// socket's events handed to the AP conversation.
#include <cstring>
#include <string>

#include "aplink/dialog_ap_host.h"
#include "aplink/core/ap_protocol.h"
#include "checklist/check_list.h"
#include "aplink/client_sock.h"
#include "common/core/mac_text.h"
#include "shell/orvane_dlg.h"

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

// The command builders the dialog has always had, over the conversation's own texts: each writes its
// command into a zeroed buffer of kApCommandBufferSize bytes.
namespace {

void WriteCommand(const std::string& command, char* buffer) {
    std::memset(buffer, 0, aplink::kApCommandBufferSize);
    if (command.size() < aplink::kApCommandBufferSize) std::memcpy(buffer, command.data(), command.size());
}

} // namespace

void COrvaneDlg::MakeMacDataToAdd(char* buffer) {
    WriteCommand(aplink::MakeAddCommand(m_MacAddress), buffer);
}

void COrvaneDlg::MakeMacDataToDelete(int index, char* buffer) {
    const CString text = DialogApHost(*this).RowTextOf(index);
    WriteCommand(
        aplink::MakeDeleteCommand(std::wstring_view(text.GetString(), static_cast<size_t>(text.GetLength()))),
        buffer);
}

void COrvaneDlg::MakeMacDataToRead(int, char* buffer) {
    WriteCommand(aplink::MakeReadListCommand(), buffer);
}

uint8_t COrvaneDlg::HexToByte(char high, char low) {
    return common::HexToByte(high, low);
}

void COrvaneDlg::ReadApMacList(int) {
    UpdateData(TRUE);
    DialogApHost host(*this);
    m_ApConversation.ReadList(host, true);
}

void COrvaneDlg::RefreshApMacList() {
    DialogApHost(*this).ClearRows();
    ReadApMacList(0);
}

namespace {

void OnConnectResult(COrvaneDlg& dlg, LPARAM error) {
    if (error == 0) {
        dlg.m_bApConnected = 1;
        dlg.ShowApStatus(true);
        DialogApHost host(dlg);
        dlg.m_ApConversation.OnConnected(host);
        return;
    }
    dlg.DropApSocket();
    dlg.m_bApConnected = 0;
    dlg.ShowApStatus(false);
    // Retry carries an automatic run or a waiting operation on; Cancel ends them.
    if (dlg.MessageBox(L"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.",
                       kConfirmCaption, MB_RETRYCANCEL) == IDRETRY)
        dlg.ConnectToAP();
    else
        dlg.m_ApConversation.OnConnectCancelled();
}

} // namespace

// The socket's events, handed to the AP conversation (aplink::ApConversation), which decides what each
// answer means. The AP answers every command that expects an answer once, in order, over one stream, and
// names no command: the conversation keeps the answers still owed in the order the commands went out and
// takes each off the stream in its own form (a status, a filter answer, list entries up to the end entry),
// so two answers in one read are two and one answer over several reads is one. What reached the socket
// before a command went out is read just before it (DialogApHost::TakeArrived) and answers nothing of it.
// An answer acts only for the operation that is still current (the pending value m_nApCommand, set by the
// operation that sent it); any other is taken and only traced, as is whatever arrives when nothing is
// owed. An owed answer that has not come within kApAnswerTimeoutMs puts the stream out of step: its
// operation ends with "AP에서 응답이 없습니다.", and the next button connects again before it runs.
//
// Connected: m_bApConnected 1, "AP 연결", nothing owed; an operation that waited for the connection runs,
// else an unfinished automatic configuration starts again from its beginning, else the list is read.
// Connect failed: the socket dropped, m_bApConnected 0, "AP 미연결", a Retry/Cancel box whose Retry connects
// again and whose Cancel ends the run. Closed: DisconnectFromAP (nothing owed any more, ApCmdNone), then
// "AP와 연결이 끊어 졌습니다.".
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

    // Local: a read nested inside one of the conversation's boxes gets its own buffer.
    aplink::ApReplyBuffer reply;
    ReadApSocket(*this, reply, true);
    DialogApHost host(*this);
    m_ApConversation.OnReceived(host, reply.data, static_cast<size_t>(reply.received));
    return 0;
}
