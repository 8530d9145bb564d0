// CClientSock under Wine: each socket event reaches the notify window as WM_RECEIVE_TCP, synchronously,
// with the connect error passed on; SetNotifyWindow throws away waiting input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "aplink/client_sock.h"
#include "tests/win/support/loopback_listener.h"
#include "tests/win/support/message_pump.h"

namespace {

using wintest::LoopbackListener;
using wintest::PumpUntil;

struct Notice {
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Notice> g_notices;
CClientSock* g_deleteOnClose = nullptr;
std::string g_readInHandler;

LRESULT CALLBACK NotifyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_RECEIVE_TCP) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    g_notices.push_back({wParam, lParam});
    if (wParam == TCP_EVT_RECEIVE && g_deleteOnClose) {
        char buf[64] = {};
        const int n = g_deleteOnClose->Receive(buf, sizeof buf - 1, 0);
        if (n > 0) g_readInHandler.append(buf, static_cast<size_t>(n));
    }
    if (wParam == TCP_EVT_CLOSE && g_deleteOnClose) {
        // The dialog drops the socket inside the close notification.
        delete g_deleteOnClose;
        g_deleteOnClose = nullptr;
    }
    return 0;
}

class ClientSockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(AfxSocketInit());
        WNDCLASSW wc{};
        wc.lpfnWndProc = NotifyProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ClientSockTestNotify";
        ::RegisterClassW(&wc);
        m_window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr);
        ASSERT_NE(m_window, nullptr);
        g_notices.clear();
        g_readInHandler.clear();
        g_deleteOnClose = nullptr;
    }
    void TearDown() override {
        delete g_deleteOnClose;
        g_deleteOnClose = nullptr;
        if (m_window) ::DestroyWindow(m_window);
    }
    bool HasNotice(WPARAM w) const {
        for (const Notice& n : g_notices)
            if (n.wParam == w) return true;
        return false;
    }

    HWND m_window = nullptr;
};

TEST_F(ClientSockTest, ConnectDataAndCloseBecomeTheThreeNotices) {
    LoopbackListener server;
    auto* sock = new CClientSock;
    g_deleteOnClose = sock;
    ASSERT_TRUE(sock->Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, nullptr));
    sock->SetNotifyWindow(m_window);
    EXPECT_EQ(sock->m_hNotifyWnd, m_window);
    sock->Connect(L"127.0.0.1", server.Port());

    ASSERT_TRUE(PumpUntil([&] { return HasNotice(TCP_EVT_CONNECT); }));
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(server.SendText("701"));
    ASSERT_TRUE(PumpUntil([&] { return g_readInHandler == "701"; }));
    server.CloseAccepted();
    ASSERT_TRUE(PumpUntil([&] { return HasNotice(TCP_EVT_CLOSE); }));
    EXPECT_EQ(g_deleteOnClose, nullptr); // deleted inside its own event, and nothing broke

    ASSERT_GE(g_notices.size(), 3u);
    EXPECT_EQ(g_notices.front().wParam, TCP_EVT_CONNECT);
    EXPECT_EQ(g_notices.front().lParam, 0);
    for (const Notice& n : g_notices) {
        if (n.wParam == TCP_EVT_RECEIVE || n.wParam == TCP_EVT_CLOSE) {
            EXPECT_EQ(n.lParam, 0);
        }
    }
    EXPECT_EQ(g_notices.back().wParam, TCP_EVT_CLOSE);
}

TEST_F(ClientSockTest, ARefusedConnectCarriesItsErrorCode) {
    LoopbackListener notListening(false);
    CClientSock sock;
    ASSERT_TRUE(sock.Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, nullptr));
    sock.SetNotifyWindow(m_window);
    sock.Connect(L"127.0.0.1", notListening.Port());
    ASSERT_TRUE(PumpUntil([&] { return HasNotice(TCP_EVT_CONNECT); }));
    EXPECT_EQ(g_notices.front().lParam, WSAECONNREFUSED);
}

TEST_F(ClientSockTest, SetNotifyWindowDiscardsWaitingInput) {
    LoopbackListener server;
    CClientSock sock;
    ASSERT_TRUE(sock.Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, nullptr));
    // Not connected yet: the first read fails and the drain stops at once.
    sock.SetNotifyWindow(nullptr);
    sock.Connect(L"127.0.0.1", server.Port());
    ASSERT_TRUE(server.Accept());
    // 250 bytes: read as 100, 100 and 50; the short read ends the drain.
    ASSERT_TRUE(server.SendText(std::string(250, 'x')));
    ::Sleep(200);
    sock.SetNotifyWindow(m_window);
    char buf[16];
    EXPECT_EQ(sock.Receive(buf, sizeof buf, 0), SOCKET_ERROR);
    EXPECT_EQ(CAsyncSocket::GetLastError(), WSAEWOULDBLOCK);

    // Exactly 200: two full reads, then a failing one ends it; later input is kept.
    ASSERT_TRUE(server.SendText(std::string(200, 'y')));
    ::Sleep(200);
    sock.SetNotifyWindow(m_window);
    ASSERT_TRUE(server.SendText("701"));
    ::Sleep(200);
    char reply[8] = {};
    EXPECT_EQ(sock.Receive(reply, sizeof reply, 0), 3);
    EXPECT_STREQ(reply, "701");
}

} // namespace
