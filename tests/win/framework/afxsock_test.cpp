// CAsyncSocket on real Winsock under Wine: connect, refusal, receive, close, address checks, and event
// delivery that survives a handler deleting its own socket.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/afxsock.h"
#include "tests/win/support/loopback_listener.h"
#include "tests/win/support/message_pump.h"

namespace {

using wintest::LoopbackListener;
using wintest::PumpUntil;

struct Event {
    char kind; // 'r'eceive, 'c'onnect, 'x' close
    int error;
};

class CRecordingSocket : public CAsyncSocket {
  public:
    std::vector<Event> events;
    std::string received;
    bool deleteOnClose = false;
    bool* deleted = nullptr;

    ~CRecordingSocket() override {
        if (deleted) *deleted = true;
    }
    bool Saw(char kind) const {
        for (const Event& e : events)
            if (e.kind == kind) return true;
        return false;
    }
    int ErrorOf(char kind) const {
        for (const Event& e : events)
            if (e.kind == kind) return e.error;
        return -12345;
    }

  protected:
    void OnReceive(int error) override {
        events.push_back({'r', error});
        char buf[64];
        const int n = Receive(buf, sizeof buf);
        if (n > 0) received.append(buf, static_cast<size_t>(n));
    }
    void OnConnect(int error) override { events.push_back({'c', error}); }
    void OnClose(int error) override {
        events.push_back({'x', error});
        if (deleteOnClose) delete this; // nothing of the object may be used after this
    }
};

class AsyncSocketTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(AfxSocketInit()); }
};

TEST_F(AsyncSocketTest, ConnectReceiveAndCloseArriveAsEvents) {
    LoopbackListener server;
    ASSERT_NE(server.Port(), 0u);
    CRecordingSocket client;
    ASSERT_TRUE(client.Create());
    EXPECT_NE(client.m_hSocket, INVALID_SOCKET);

    // Non-blocking: the outcome comes later, through OnConnect.
    EXPECT_FALSE(client.Connect(L"127.0.0.1", server.Port()));
    EXPECT_EQ(CAsyncSocket::GetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(PumpUntil([&] { return client.Saw('c'); }));
    EXPECT_EQ(client.ErrorOf('c'), 0);
    ASSERT_TRUE(server.Accept());

    ASSERT_TRUE(server.SendText("hello"));
    ASSERT_TRUE(PumpUntil([&] { return client.received == "hello"; }));
    EXPECT_EQ(client.ErrorOf('r'), 0);

    EXPECT_EQ(client.Send("w fff3 \r", 8), 8);
    EXPECT_EQ(server.ReceiveText(), "w fff3 \r");

    server.CloseAccepted();
    ASSERT_TRUE(PumpUntil([&] { return client.Saw('x'); }));
    EXPECT_EQ(client.ErrorOf('x'), 0);

    client.Close();
    EXPECT_EQ(client.m_hSocket, INVALID_SOCKET);
    client.Close(); // a second close is harmless
}

TEST_F(AsyncSocketTest, RefusedConnectReports10061ThroughOnConnect) {
    LoopbackListener notListening(false);
    ASSERT_NE(notListening.Port(), 0u);
    CRecordingSocket client;
    ASSERT_TRUE(client.Create());
    EXPECT_FALSE(client.Connect(L"127.0.0.1", notListening.Port()));
    EXPECT_EQ(CAsyncSocket::GetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(PumpUntil([&] { return client.Saw('c'); }));
    EXPECT_EQ(client.ErrorOf('c'), WSAECONNREFUSED);
    EXPECT_EQ(WSAECONNREFUSED, 10061);
    EXPECT_FALSE(client.Saw('r'));
}

TEST_F(AsyncSocketTest, OnlyDottedIPv4AddressesAreAccepted) {
    CRecordingSocket client;
    ASSERT_TRUE(client.Create());
    // Each is refused before any packet is sent.
    for (const wchar_t* bad : {L"localhost", L"", L"1.2.3", L"1.2.3.4.5", L"256.0.0.1", L"127.0.0.1 ",
                               L" 127.0.0.1", L"127..0.1", L"0127.0.0.1", L"127.0.0.x"}) {
        EXPECT_FALSE(client.Connect(bad, 4321)) << static_cast<const void*>(bad);
        EXPECT_EQ(CAsyncSocket::GetLastError(), WSAEINVAL);
    }
    EXPECT_FALSE(client.Connect(nullptr, 4321));
    EXPECT_EQ(CAsyncSocket::GetLastError(), WSAEINVAL);
    wintest::PumpFor(50);
    EXPECT_TRUE(client.events.empty());
}

TEST_F(AsyncSocketTest, CreateBindsTheGivenLocalAddressOrFails) {
    CRecordingSocket good;
    EXPECT_TRUE(good.Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, L"127.0.0.1"));
    sockaddr_in local{};
    int len = sizeof local;
    ASSERT_EQ(::getsockname(good.m_hSocket, reinterpret_cast<sockaddr*>(&local), &len), 0);
    EXPECT_EQ(local.sin_addr.s_addr, ::inet_addr("127.0.0.1"));

    CRecordingSocket bad;
    EXPECT_FALSE(bad.Create(0, SOCK_STREAM, CAsyncSocket::kAllEvents, L"no address"));
    EXPECT_EQ(CAsyncSocket::GetLastError(), WSAEINVAL);
    EXPECT_EQ(bad.m_hSocket, INVALID_SOCKET);

    // A socket that already has a handle is not created again.
    EXPECT_FALSE(good.Create());
}

TEST_F(AsyncSocketTest, ConnectWithoutASocketFails) {
    CRecordingSocket never;
    EXPECT_FALSE(never.Connect(L"127.0.0.1", 4321));
    EXPECT_EQ(CAsyncSocket::GetLastError(), WSAENOTSOCK);
}

TEST_F(AsyncSocketTest, AHandlerMayDeleteItsOwnSocket) {
    LoopbackListener server;
    bool deleted = false;
    auto* client = new CRecordingSocket;
    client->deleteOnClose = true;
    client->deleted = &deleted;
    ASSERT_TRUE(client->Create());
    client->Connect(L"127.0.0.1", server.Port());
    ASSERT_TRUE(PumpUntil([&] { return client->Saw('c'); }));
    ASSERT_TRUE(server.Accept());
    server.CloseAccepted();
    ASSERT_TRUE(PumpUntil([&] { return deleted; }));
    // Whatever is still queued for the deleted socket goes nowhere.
    wintest::PumpFor(100);
}

TEST_F(AsyncSocketTest, EventsQueuedForAClosedSocketNeverReachItsSuccessor) {
    LoopbackListener server;
    auto* first = new CRecordingSocket;
    ASSERT_TRUE(first->Create());
    first->Connect(L"127.0.0.1", server.Port());
    ASSERT_TRUE(PumpUntil([&] { return first->Saw('c'); }));
    ASSERT_TRUE(server.Accept());

    // The far end's close queues an event for the first socket; it goes before that is handled.
    server.CloseAccepted();
    ::Sleep(100);
    const SOCKET oldHandle = first->m_hSocket;
    delete first;

    // Handles are recycled: look for a successor that got the very same value.
    std::vector<std::unique_ptr<CRecordingSocket>> others;
    auto second = std::make_unique<CRecordingSocket>();
    ASSERT_TRUE(second->Create());
    while (second->m_hSocket != oldHandle && others.size() < 64) {
        others.push_back(std::move(second));
        second = std::make_unique<CRecordingSocket>();
        ASSERT_TRUE(second->Create());
    }
    if (second->m_hSocket != oldHandle) std::printf("no handle was reused: the test proves little\n");
    wintest::PumpFor(200);
    EXPECT_FALSE(second->Saw('r'));
    EXPECT_FALSE(second->Saw('x'));
    EXPECT_TRUE(second->received.empty());
}

TEST_F(AsyncSocketTest, DestructorClosesTheHandle) {
    SOCKET handle;
    {
        CRecordingSocket s;
        ASSERT_TRUE(s.Create());
        handle = s.m_hSocket;
    }
    int type = 0, len = sizeof type;
    EXPECT_EQ(::getsockopt(handle, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &len), SOCKET_ERROR);
    EXPECT_EQ(::WSAGetLastError(), WSAENOTSOCK);
}

TEST_F(AsyncSocketTest, SetSockOptReachesTheSocket) {
    CRecordingSocket s;
    ASSERT_TRUE(s.Create());
    int one = 1;
    EXPECT_TRUE(s.SetSockOpt(SO_REUSEADDR, &one, sizeof one, SOL_SOCKET));
    int value = 0, len = sizeof value;
    ASSERT_EQ(::getsockopt(s.m_hSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_NE(value, 0);
}

} // namespace
