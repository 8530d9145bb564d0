// CClientSock: the socket to the AP; hands each of its events to the dialog as one window message.
#pragma once

#include "afxsock.h"

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
