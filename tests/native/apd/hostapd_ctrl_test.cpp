// Tests of the hostapd control client: against a scripted server on a real UNIX datagram socket (events,
// silence, late replies, a server that goes and comes back) and against a real hostapd.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "apd/core/hostapd_ctrl.h"
#include "tests/native/apd/hostapd_process.h"

using namespace apd;
using namespace std::chrono_literals;

namespace {

// Answers as hostapd would: PING -> PONG; EVENT -> two event messages, then OK; LATE -> its reply only
// after 600 ms, while it goes on answering others.
class ScriptedServer {
  public:
    explicit ScriptedServer(std::string path) : m_path(std::move(path)) {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
        ::unlink(m_path.c_str());
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    bool Bound() const { return m_bound; }
    int Requests() const { return m_requests; }

  private:
    void Serve() {
        std::optional<std::pair<sockaddr_un, socklen_t>> late;
        auto lateDue = std::chrono::steady_clock::now();
        while (!m_stop) {
            if (late && std::chrono::steady_clock::now() >= lateDue) {
                ::sendto(m_fd, "LATE\n", 5, 0, reinterpret_cast<sockaddr*>(&late->first), late->second);
                late.reset();
            }
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buffer[256];
            sockaddr_un from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n =
                ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0) continue;
            ++m_requests;
            const std::string request(buffer, static_cast<std::size_t>(n));
            auto reply = [&](std::string_view text) {
                ::sendto(m_fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
            };
            if (request == "PING") {
                reply("PONG\n");
            } else if (request == "EVENT") {
                reply("<3>AP-STA-CONNECTED 02:11:22:33:44:55");
                reply("<2>CTRL-EVENT-TERMINATING");
                reply("OK\n");
            } else if (request == "LATE") {
                late.emplace(from, fromLength);
                lateDue = std::chrono::steady_clock::now() + 600ms;
            }
        }
    }

    std::string m_path;
    int m_fd = -1;
    bool m_bound = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

class HostapdCtrlTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(m_folder.Path().empty()); }
    std::string SocketPath() const { return m_folder.Path() + "/wlan0"; }

    apd_test::TempFolder m_folder;
};

} // namespace

TEST_F(HostapdCtrlTest, RepliesAndEventsSkipped) {
    ScriptedServer server(SocketPath());
    ASSERT_TRUE(server.Bound());
    HostapdCtrl ctrl(SocketPath(), 1000);
    std::string why;
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
    EXPECT_EQ(ctrl.Request("EVENT", why), "OK\n") << why;
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
}

TEST_F(HostapdCtrlTest, SilenceIsBoundedAndALateReplyNeverAnswersTheNextCommand) {
    ScriptedServer server(SocketPath());
    HostapdCtrl ctrl(SocketPath(), 300);
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ctrl.Request("LATE", why));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 290ms);
    EXPECT_LT(waited, 550ms);
    EXPECT_NE(why.find("no answer within 300 ms"), std::string::npos) << why;
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
    // "LATE\n" has been sent by now, to the socket that gave up on it.
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
}

TEST_F(HostapdCtrlTest, RestartedServerIsReachedByTheNextCommand) {
    HostapdCtrl ctrl(SocketPath(), 1000);
    std::string why;
    { // the client's socket stays connected to this one
        ScriptedServer server(SocketPath());
        EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
    }
    ScriptedServer restarted(SocketPath());
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
    EXPECT_EQ(restarted.Requests(), 1);
}

TEST_F(HostapdCtrlTest, ServerGoneFailsAtOnceAndIsFoundAgainWhenBack) {
    HostapdCtrl ctrl(SocketPath(), 1000);
    std::string why;
    {
        ScriptedServer server(SocketPath());
        EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ctrl.Request("PING", why));
    EXPECT_FALSE(ctrl.Request("PING", why));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms); // refused, not waited out
    EXPECT_NE(why.find(SocketPath()), std::string::npos) << why;

    ScriptedServer back(SocketPath());
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
}

TEST_F(HostapdCtrlTest, ClientSocketIsRemovedWithTheClient) {
    ScriptedServer server(SocketPath());
    const std::string tmp = m_folder.Path() + "/client";
    ASSERT_EQ(::mkdir(tmp.c_str(), 0700), 0);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    {
        HostapdCtrl ctrl(SocketPath(), 1000);
        std::string why;
        EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
        EXPECT_EQ(std::system(("test -n \"$(ls -A '" + tmp + "')\"").c_str()), 0);
    }
    ::unsetenv("TMPDIR");
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + tmp + "')\"").c_str()), 0);
}

TEST(HostapdCtrlReal, AnswersAndSurvivesARestart) {
    if (!apd_test::HostapdInstalled()) GTEST_SKIP() << "hostapd is not installed (scripts/setup.sh)";
    apd_test::HostapdProcess hostapd;
    hostapd.Configure(1, "02:11:22:33:44:55\n");
    ASSERT_TRUE(hostapd.Start());
    HostapdCtrl ctrl(hostapd.CtrlPath());
    std::string why;
    EXPECT_EQ(ctrl.Request("ACCEPT_ACL SHOW", why), "02:11:22:33:44:55 VLAN_ID=0\n") << why;
    EXPECT_EQ(ctrl.Request("GET macaddr_acl", why), "FAIL\n") << why;

    hostapd.Stop();
    EXPECT_FALSE(ctrl.Request("PING", why));
    ASSERT_TRUE(hostapd.Start());
    EXPECT_EQ(ctrl.Request("PING", why), "PONG\n") << why;
}
