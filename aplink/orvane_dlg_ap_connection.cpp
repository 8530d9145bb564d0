// The dialog's connection to the AP: connect, drop, and button IDC_CONNECT_AP.
#include "aplink/dialog_ap_host.h"
#include "aplink/client_sock.h"
#include "shell/orvane_dlg.h"
#include "resources/resource.h"

void COrvaneDlg::ConnectToAP() {
    if (m_pClientSock) {
        DropApSocket();
        ShowApStatus(false);
    }

    m_pClientSock = new CClientSock;
    // A failed creation shows up as a failed connect just below.
    m_pClientSock->Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, nullptr);
    m_pClientSock->SetNotifyWindow(m_hWnd);
    if (!m_pClientSock->Connect(m_strApAddress, aplink::dlg::kApPort)) {
        const int error = CAsyncSocket::GetLastError();
        if (error != WSAEWOULDBLOCK) {
            DropApSocket();
            CString text;
            text.Format(L"연결 실패 : %d", error);
            MessageBox(text);
        }
    }
    m_bApConnected = 0;

    if (m_pClientSock) {
        int reuse = 1;
        m_pClientSock->SetSockOpt(SO_REUSEADDR, &reuse, sizeof reuse, SOL_SOCKET);
    }
}

void COrvaneDlg::DisconnectFromAP() {
    DropApSocket();
    ShowApStatus(false);
    m_ApConversation.OnClosed();
    m_bApConnected = 0;
}

// The pointer is cleared before the socket is closed: a handler that runs inside a later box (a connect
// failure's, the lost connection's) must never find a socket that is gone.
void COrvaneDlg::DropApSocket() {
    CClientSock* socket = m_pClientSock;
    m_pClientSock = nullptr;
    if (!socket) return;
    socket->Close();
    delete socket;
}

void COrvaneDlg::OnConnectAp() {
    ConnectToAP();
}
