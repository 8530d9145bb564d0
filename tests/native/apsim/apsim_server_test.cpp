// Tests of the AP simulator's server over loopback: answers, timing faults, one client at a time, control
// port.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "tools/apsim/apsim_memory_backend.h"
#include "tools/apsim/apsim_server.h"

using namespace apsim;
using namespace std::chrono_literals;

namespace {

// A blocking loopback client; every read waits at most as long as told.
class Client {
  public:
    explicit Client(int port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() { Close(); }
    bool Connected() const { return m_connected; }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    void Send(std::string_view bytes) {
        ASSERT_EQ(::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), (ssize_t)bytes.size());
    }

    // What one recv brings once data is there; empty on time-out; "<eof>" when the peer closed.
    std::string ReadOnce(std::chrono::milliseconds wait = 2000ms) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return {};
        char buffer[8192];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("<eof>");
    }
    // Reads until the text ends with suffix or nothing more comes.
    std::string ReadUntil(std::string_view suffix, std::chrono::milliseconds wait = 2000ms) {
        std::string all;
        while (!all.ends_with(suffix)) {
            const std::string more = ReadOnce(wait);
            if (more.empty() || more == "<eof>") break;
            all += more;
        }
        return all;
    }
    std::string Ask(std::string_view command, std::string_view suffix) {
        Send(command);
        return ReadUntil(suffix);
    }

  private:
    int m_fd = -1;
    bool m_connected = false;
};

class ApSimServerTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_server.Start("127.0.0.1", 0, 0, error)) << error;
        m_thread = std::thread([this] { m_runResult = m_server.Run(); });
    }
    void TearDown() override {
        m_server.Stop();
        if (m_thread.joinable()) m_thread.join();
        EXPECT_TRUE(m_runResult);
    }
    std::string Control(std::string_view line) {
        Client control(m_server.ControlPort());
        control.Send(std::string(line) + "\n");
        std::string answer;
        while (answer.find("ok") == std::string::npos && answer.find("error") == std::string::npos) {
            const std::string more = control.ReadOnce();
            if (more.empty() || more == "<eof>") break;
            answer += more;
        }
        return answer;
    }

    SimEngine m_engine = MemoryEngine({{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}}, 8, Faults{});
    Server m_server{m_engine};
    std::thread m_thread;
    bool m_runResult = false;
};

constexpr std::string_view kEnd = "701LIST00 00 00 00 00 00";

} // namespace

TEST_F(ApSimServerTest, AnswersCommandsInOrder) {
    Client ap(m_server.Port());
    ASSERT_TRUE(ap.Connected());
    EXPECT_EQ(ap.Ask("w fff0 0a 0b 0c 0d 0e 0f\r", "701"), "701");
    // Two commands in one segment, and one command over two segments.
    EXPECT_EQ(ap.Ask("w fff1 02 11 22 33 44 55\rw fff5 01\r", "off"), "701701 filter off");
    ap.Send("w ff");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ap.Ask("f3 \r", kEnd), "701LIST0A 0B 0C 0D 0E 0F" + std::string(kEnd));
    ap.Send("w fff6 \r");
    EXPECT_EQ(ap.ReadOnce(200ms), ""); // no answer to apply
    EXPECT_EQ(Control("stats"),
              "ok connections=1 connected=1 fff0=1 fff1=1 fff3=1 fff4=0 fff5=1 fff6=1 other=0 filter=off\n");
}

TEST_F(ApSimServerTest, OverlongLineIsRefusedAndSkipped) {
    Client ap(m_server.Port());
    // It starts as a filter command; cut at the limit it is still refused whole.
    ap.Send("w fff5 01" + std::string(1500, 'x'));
    EXPECT_EQ(ap.ReadUntil("200"), "200");
    ap.Send("still the same line\rw fff3 \r");
    EXPECT_TRUE(ap.ReadUntil(kEnd).ends_with(kEnd));
    EXPECT_EQ(
        Control("stats"),
        "ok connections=1 connected=1 fff0=0 fff1=0 fff3=1 fff4=0 fff5=0 fff6=0 other=1 filter=unset\n");
}

TEST_F(ApSimServerTest, LineCutByADisconnectIsNeverCompleted) {
    {
        Client first(m_server.Port());
        first.Send("w fff0 0a 0b 0c");
        std::this_thread::sleep_for(100ms);
    }
    Client second(m_server.Port());
    EXPECT_EQ(second.Ask(" 0d 0e 0f\r", "200"), "200");
    EXPECT_EQ(Control("list"), "02 11 22 33 44 55\nok 1\n");
}

TEST_F(ApSimServerTest, SplitSegmentsArriveSeparately) {
    EXPECT_EQ(Control("split-gap 300"), "ok\n");
    EXPECT_EQ(Control("split 5,30"), "ok\n");
    Client ap(m_server.Port());
    ap.Send("w fff3 \r");
    EXPECT_EQ(ap.ReadOnce(), "701LI");
    EXPECT_EQ(ap.ReadOnce(), "ST02 11 22 33 44 55701LIS");
    EXPECT_EQ(ap.ReadOnce(), "T00 00 00 00 00 00");
}

TEST_F(ApSimServerTest, DelayHoldsTheAnswer) {
    Control("delay 300");
    Client ap(m_server.Port());
    const auto start = std::chrono::steady_clock::now();
    ap.Send("w fff0 0a 0b 0c 0d 0e 0f\r");
    EXPECT_EQ(ap.ReadOnce(150ms), "");
    EXPECT_EQ(ap.ReadOnce(), "701");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
}

TEST_F(ApSimServerTest, PadFullFillsWholeReads) {
    Control("pad-full on");
    Client ap(m_server.Port());
    const std::string list = ap.Ask("w fff3 \r", kEnd);
    EXPECT_EQ(list.size(), 3000u);
    EXPECT_EQ(list.find_first_not_of(' '), 3000u - 2 * 24);
}

TEST_F(ApSimServerTest, CloseAfterThenReconnect) {
    Control("close-after 2");
    {
        Client ap(m_server.Port());
        EXPECT_EQ(ap.Ask("w fff5 00\r", "on"), "701 filter on");
        ap.Send("w fff0 0a 0b 0c 0d 0e 0f\r");
        EXPECT_EQ(ap.ReadUntil("701"), "701");
        EXPECT_EQ(ap.ReadOnce(), "<eof>");
    }
    Client again(m_server.Port());
    EXPECT_TRUE(again.Ask("w fff3 \r", kEnd).ends_with(kEnd));
    EXPECT_EQ(Control("stats").substr(0, 28), "ok connections=2 connected=1");
}

TEST_F(ApSimServerTest, SilentCloseAnswersNothing) {
    Control("close-after 1 silent");
    Client ap(m_server.Port());
    ap.Send("w fff3 \r");
    EXPECT_EQ(ap.ReadOnce(), "<eof>");
}

TEST_F(ApSimServerTest, OneClientAtATime) {
    Client first(m_server.Port());
    EXPECT_EQ(first.Ask("w fff5 00\r", "on"), "701 filter on");
    Client second(m_server.Port()); // waits in the backlog
    ASSERT_TRUE(second.Connected());
    second.Send("w fff5 01\r");
    EXPECT_EQ(second.ReadOnce(300ms), "");
    first.Close();
    EXPECT_EQ(second.ReadUntil("off"), "701 filter off");
}

TEST_F(ApSimServerTest, ControlChannelAnswersWhole) {
    Client ap(m_server.Port());
    ap.Ask("w fff0 0a 0b 0c 0d 0e 0f\r", "701");
    EXPECT_EQ(Control("list"), "02 11 22 33 44 55\n0A 0B 0C 0D 0E 0F\nok 2\n");
    EXPECT_EQ(Control("refuse 1"), "ok\n");
    EXPECT_EQ(ap.Ask("w fff1 02 11 22 33 44 55\r", "200"), "200");
}

TEST(ApSimServer, RefusesToListenOutsideLoopback) {
    SimEngine engine = MemoryEngine({}, 8, Faults{});
    Server server(engine);
    std::string error;
    EXPECT_FALSE(server.Start("0.0.0.0", 0, 0, error));
    EXPECT_NE(error.find("127.0.0.0/8"), std::string::npos);
    EXPECT_FALSE(server.Start("192.168.10.1", 0, 0, error));
    EXPECT_NE(error.find("127.0.0.0/8"), std::string::npos);
}

// The LAN scope takes one address; never every interface, where the AP's internet side would hear it.
TEST(ApSimServer, LanScopeTakesOneAddressOnly) {
    SimEngine engine = MemoryEngine({}, 8, Faults{});
    for (const char* any : {"0.0.0.0", "255.255.255.255", "224.0.0.1"}) {
        Server server(engine);
        std::string error;
        EXPECT_FALSE(server.Start(any, 0, 0, error, ListenScope::Lan)) << any;
        EXPECT_NE(error.find("refusing"), std::string::npos);
    }
    Server server(engine);
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, 0, error, ListenScope::Lan)) << error;
    EXPECT_NE(server.Port(), 0);
}
