// Windows Sockets start-up for the application, and CAsyncSocket, the window-message-driven socket.
//
// Classes: CAsyncSocket. Socket events reach the thread that created the socket through a hidden
// message-only window of that thread (WSAAsyncSelect) and are handed to the object's On... callbacks.
#pragma once

#include <cstdlib>
#include <winsock2.h>

// WSAStartup for the program; FALSE when sockets cannot be used.
BOOL AfxSocketInit();
// Tests make the next AfxSocketInit calls fail as on a PC without working sockets.
void AfxSetSocketInitFailure(bool fail);

struct CAsyncSocketDispatch;

class CAsyncSocket {
  public:
    static constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

    SOCKET m_hSocket = INVALID_SOCKET;

    CAsyncSocket() = default;
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;
    // Closes the handle if one is open; events still queued for it are dropped.
    virtual ~CAsyncSocket();

    // A socket of the given type bound to the local port (0: any) and address (null: any), with its
    // events selected for this thread's notification window.
    BOOL Create(UINT nSocketPort = 0, int nSocketType = SOCK_STREAM, long lEvent = kAllEvents,
                LPCWSTR lpszSocketAddress = nullptr);
    // Only dotted-decimal IPv4 addresses; anything else fails with WSAEINVAL. A non-blocking connect
    // returns FALSE with WSAEWOULDBLOCK and completes through OnConnect.
    BOOL Connect(LPCWSTR lpszHostAddress, UINT nHostPort);
    BOOL AsyncSelect(long lEvent = kAllEvents);
    BOOL SetSockOpt(int nOptionName, const void* lpOptionValue, int nOptionLen, int nLevel = SOL_SOCKET);

    virtual void Close();
    // Both return the byte count or SOCKET_ERROR (-1), as recv and send do.
    virtual int Receive(void* lpBuf, int nBufLen, int nFlags = 0);
    virtual int Send(const void* lpBuf, int nBufLen, int nFlags = 0);

    static int GetLastError() { return ::WSAGetLastError(); }

  protected:
    // Each runs on the creating thread with the event's Winsock error code. A callback may delete
    // its own object: the dispatcher touches nothing of it after the call.
    virtual void OnReceive(int nErrorCode);
    virtual void OnConnect(int nErrorCode);
    virtual void OnClose(int nErrorCode);

  private:
    friend struct CAsyncSocketDispatch;
};
