// CClientSock: socket events forwarded to the dialog as WM_RECEIVE_TCP.
#include "aplink/client_sock.h"

namespace {
// The size of one discard read while draining; a shorter read means the input is used up.
constexpr int kDrainChunk = 100;
} // namespace

CClientSock::CClientSock() = default;

CClientSock::~CClientSock() = default;

void CClientSock::SetNotifyWindow(HWND hWnd) {
    m_hNotifyWnd = hWnd;
    char discard[kDrainChunk];
    while (Receive(discard, kDrainChunk, 0) == kDrainChunk) {
    }
}

void CClientSock::OnReceive(int) {
    ::SendMessageW(m_hNotifyWnd, WM_RECEIVE_TCP, TCP_EVT_RECEIVE, 0);
}

void CClientSock::OnConnect(int nErrorCode) {
    ::SendMessageW(m_hNotifyWnd, WM_RECEIVE_TCP, TCP_EVT_CONNECT, static_cast<LPARAM>(nErrorCode));
}

void CClientSock::OnClose(int) {
    ::SendMessageW(m_hNotifyWnd, WM_RECEIVE_TCP, TCP_EVT_CLOSE, 0);
}
