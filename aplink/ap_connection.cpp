// The dialog's connection to the AP: connect, drop, and button IDC_CONNECT_AP.
#include "ap_dlg_support.h"
#include "client_sock.h"
#include "orvane_dlg.h"
#include "resource.h"

void COrvaneDlg::ConnectToAP() {
    if (m_pClientSock) {
        m_pClientSock->Close();
        delete m_pClientSock;
        m_pClientSock = nullptr;
        SetDlgItemText(IDC_STATUS_AP, L"AP 미연결");
    }

    m_pClientSock = new CClientSock;
    // A failed creation shows up as a failed connect just below.
    m_pClientSock->Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, nullptr);
    m_pClientSock->SetNotifyWindow(m_hWnd);
    if (!m_pClientSock->Connect(m_strApAddress, aplink_dlg::kApPort)) {
        const int error = CAsyncSocket::GetLastError();
        if (error != WSAEWOULDBLOCK) {
            // Dropped before the box: handlers that run while it is open must not find this socket.
            CClientSock* failed = m_pClientSock;
            m_pClientSock = nullptr;
            failed->Close();
            delete failed;
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
    if (m_pClientSock) {
        delete m_pClientSock;
        m_pClientSock = nullptr;
    }
    SetDlgItemText(IDC_STATUS_AP, L"AP 미연결");
    m_nApCommand = ApCmdNone;
    m_bApConnected = 0;
}

void COrvaneDlg::OnConnectAp() {
    ConnectToAP();
}
