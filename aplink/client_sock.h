// CClientSock: the socket to the AP; hands each of its events to the dialog as one window message.
#pragma once

#include "framework/afxsock.h"

// The socket's one notification to the dialog, always sent (never posted); wParam says which event.
constexpr UINT WM_RECEIVE_TCP = WM_USER + 701;
constexpr WPARAM TCP_EVT_RECEIVE = 0;
constexpr WPARAM TCP_EVT_CONNECT = 10; // lParam: the connect's Winsock error code, 0 when connected
constexpr WPARAM TCP_EVT_CLOSE = 100;
static_assert(WM_RECEIVE_TCP == 0x6BD);

class CClientSock : public CAsyncSocket {
  public:
    CClientSock();
    ~CClientSock() override;

    // Sets the window that receives the events, then throws away whatever input is already waiting.
    void SetNotifyWindow(HWND hWnd);

    HWND m_hNotifyWnd = nullptr;

  protected:
    // Each sends WM_RECEIVE_TCP synchronously; the dialog may delete this socket meanwhile, so
    // nothing of it is used after the send returns.
    void OnReceive(int nErrorCode) override;
    void OnConnect(int nErrorCode) override;
    void OnClose(int nErrorCode) override;
};
