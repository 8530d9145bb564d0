// Tests of orvane-apd's serving bounds on loopback: takeover, allowed peers and their summary, a quiet
// technician kept, the optional idle timeout, unsent and rate bounds, each one's log line.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "apd/apd_server.h"

using namespace apd;
using namespace std::chrono_literals;

namespace {

// A list of `size` entries that counts what was asked of it.
class CountingBackend : public Backend {
  public:
    explicit CountingBackend(std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            list.push_back({0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i)});
    }
    AddResult Add(const Mac& mac, std::string&) override {
        list.push_back(mac);
        return AddResult::Added;
    }
    DeleteResult Delete(const Mac&, std::string&) override { return DeleteResult::NotListed; }
    std::optional<std::vector<Mac>> List(std::string&) override { return list; }
    bool SetFilter(bool, std::string&) override { return true; }
    ApplyResult Apply(std::string&) override { return ApplyResult::Written; }
    bool Clear(std::string&) override { return true; }
    void Reset() override {}
    std::optional<bool> Filter() const override { return std::nullopt; }
    std::vector<Mac> list;
};

// A connection from `source` (a loopback address) to the server; -1 when refused.
int Connect(int port, const char* source = "127.0.0.1", int receiveBuffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &addr.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Send(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

// What arrives within `wait`, up to `want` bytes; "<eof>" appended when the server closed.
std::string Receive(int fd, std::size_t want, std::chrono::milliseconds wait) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (got.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[65536];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return got + "<eof>";
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

// The kernel's timer on the server's end of the connection from clientPort: /proc/net/tcp's "tr" (2 is the
// keep-alive timer) and its "when" in clock ticks; {-1, 0} when the socket is not found.
std::pair<int, long> ServerTimer(int serverPort, int clientPort) {
    std::FILE* table = std::fopen("/proc/net/tcp", "r");
    if (table == nullptr) return {-1, 0};
    char line[512];
    std::pair<int, long> timer{-1, 0};
    while (std::fgets(line, sizeof line, table) != nullptr) {
        unsigned local = 0, remote = 0, state = 0;
        int tr = 0;
        long when = 0;
        if (std::sscanf(line, " %*d: %*x:%x %*x:%x %x %*x:%*x %x:%lx", &local, &remote, &state, &tr, &when) ==
                5 &&
            static_cast<int>(local) == serverPort && static_cast<int>(remote) == clientPort)
            timer = {tr, when};
    }
    std::fclose(table);
    return timer;
}

int LocalPort(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

class ServerTest : public ::testing::Test {
  protected:
    void Serve(Limits limits, std::vector<Cidr> allow = {{0x7f000000, 8}}, std::size_t entries = 1) {
        auto backend = std::make_unique<CountingBackend>(entries);
        m_backend = backend.get();
        m_engine = std::make_unique<Engine>(std::move(backend));
        m_server =
            std::make_unique<Server>(*m_engine, limits, allow, [this](LogLevel, const std::string& line) {
                std::lock_guard lock(m_mutex);
                m_log += line + "\n";
            });
        std::string error;
        ASSERT_TRUE(m_server->Start("127.0.0.1", 0, error)) << error;
        m_thread = std::thread([this] { m_server->Run(); });
    }
    void TearDown() override {
        if (m_server) m_server->Stop();
        if (m_thread.joinable()) m_thread.join();
    }
    std::string Log() {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    int Port() const { return m_server->Port(); }

    CountingBackend* m_backend = nullptr;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<Server> m_server;
    std::thread m_thread;
    std::mutex m_mutex;
    std::string m_log;
};

const std::string kOneEntryList = "701LIST02 00 00 00 00 00701LIST00 00 00 00 00 00";

} // namespace

TEST_F(ServerTest, NewConnectionTakesOverFromASilentOne) {
    Serve(Limits{});
    const int silent = Connect(Port());
    ASSERT_GE(silent, 0);
    std::this_thread::sleep_for(100ms); // accepted and served first
    const int technician = Connect(Port());
    Send(technician, "w fff3 \r");
    EXPECT_EQ(Receive(technician, kOneEntryList.size(), 5s), kOneEntryList);
    EXPECT_EQ(Receive(silent, 1, 5s), "<eof>");
    EXPECT_NE(Log().find("closed 127.0.0.1:"), std::string::npos) << Log();
    EXPECT_NE(Log().find(": taken over by 127.0.0.1:"), std::string::npos) << Log();
    // Keep-alive watches the connection served: its first probe within keepAliveIdleS (30 s).
    const auto [tr, when] = ServerTimer(Port(), LocalPort(technician));
    EXPECT_EQ(tr, 2);
    EXPECT_LE(when, 30 * ::sysconf(_SC_CLK_TCK));
    ::close(silent);
    ::close(technician);
}

TEST_F(ServerTest, PeerOutsideAllowIsClosedUnreadAndChangesNothingAndIsSummarised) {
    Limits limits;
    limits.refusedSummaryS = 1;
    Serve(limits, {{0x7f000002, 32}});
    const int outsider = Connect(Port(), "127.0.0.1");
    ASSERT_GE(outsider, 0);
    Send(outsider, "w fff0 0a 0b 0c 0d 0e 0f\r");
    EXPECT_EQ(Receive(outsider, 1, 5s), "<eof>");
    EXPECT_EQ(m_backend->list.size(), 1u);
    // An outsider that keeps trying: the first refusal is logged, the next four are one line a period later.
    for (int i = 0; i < 4; ++i) {
        const int again = Connect(Port(), "127.0.0.1");
        EXPECT_EQ(Receive(again, 1, 5s), "<eof>");
        ::close(again);
    }
    std::this_thread::sleep_for(1500ms);
    const std::string log = Log();
    EXPECT_EQ(log.find("refused 127.0.0.1:"), log.rfind("refused 127.0.0.1:")) << log;
    EXPECT_NE(log.find("refused 4 more connections not in allow in 1 s, the last from 127.0.0.1:"),
              std::string::npos)
        << log;

    const int inside = Connect(Port(), "127.0.0.2");
    Send(inside, "w fff0 0a 0b 0c 0d 0e 0f\r");
    EXPECT_EQ(Receive(inside, 3, 5s), "701");
    EXPECT_EQ(m_backend->list.size(), 2u);
    ::close(outsider);
    ::close(inside);
}

// Orvane sends nothing while the technician reads the screen. Keep-alive (made short here) probes the quiet
// connection and the peer's kernel answers, so it stays; only an idle-timeout the owner set closes it.
TEST_F(ServerTest, QuietTechnicianIsServedPastKeepAliveUnlessIdleTimeoutIsSet) {
    const struct {
        int idleTimeoutS;
        bool served;
    } rows[] = {{0, true}, {1, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.idleTimeoutS);
        TearDown();
        Limits limits;
        limits.idleTimeoutS = row.idleTimeoutS;
        limits.keepAliveIdleS = limits.keepAliveIntervalS = limits.keepAliveCount = 1;
        Serve(limits);
        const int fd = Connect(Port());
        Send(fd, "w fff3 \r");
        EXPECT_EQ(Receive(fd, kOneEntryList.size(), 5s), kOneEntryList);
        std::this_thread::sleep_for(3s); // past keep-alive's idle + interval x count
        if (row.served) {
            Send(fd, "w fff3 \r");
            EXPECT_EQ(Receive(fd, kOneEntryList.size(), 5s), kOneEntryList);
            EXPECT_EQ(Log().find("closed"), std::string::npos) << Log();
        } else {
            EXPECT_EQ(Receive(fd, 1, 5s), "<eof>");
            EXPECT_NE(Log().find("idle for 1 s (idle-timeout)"), std::string::npos) << Log();
        }
        ::close(fd);
    }
}

TEST_F(ServerTest, ClientThatNeverReadsIsDroppedPastMaxUnsentAndTheNextIsServed) {
    Limits limits;
    limits.maxUnsent = 4096;
    limits.commandsPerSecond = 100000;
    Serve(limits, {{0x7f000000, 8}}, 145);
    const int flooder = Connect(Port(), "127.0.0.1", 4096);
    std::string flood;
    for (int i = 0; i < 200; ++i)
        flood += "w fff3 \r";
    // 200 lists of 145 entries are 700 KB of replies: far more than the bound and the buffers between.
    for (int i = 0; i < 10 && Log().find("max-unsent") == std::string::npos; ++i) {
        ::send(flooder, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_NE(Log().find("unread, over max-unsent 4096"), std::string::npos) << Log();
    const int technician = Connect(Port());
    Send(technician, "w fff0 0a 0b 0c 0d 0e 0f\r");
    EXPECT_EQ(Receive(technician, 3, 5s), "701");
    ::close(flooder);
    ::close(technician);
}

// The bound holds over all connections: a client that reconnects for every command is slowed as well.
TEST_F(ServerTest, CommandsPastCommandsPerSecondWaitForTheNextSecond) {
    for (const bool reconnect : {false, true}) {
        SCOPED_TRACE(reconnect ? "a connection per command" : "one connection");
        TearDown();
        m_log.clear();
        Limits limits;
        limits.commandsPerSecond = 3;
        limits.idleTimeoutS = 1; // commands held back are not idleness
        Serve(limits);
        const auto start = std::chrono::steady_clock::now();
        // 3 now, 3 a second later, the last one after two seconds; none lost.
        const std::string answer = "701 filter on";
        if (reconnect) {
            for (int i = 0; i < 7; ++i) {
                const int fd = Connect(Port());
                Send(fd, "w fff5 00\r");
                EXPECT_EQ(Receive(fd, answer.size(), 5s), answer);
                ::close(fd);
            }
        } else {
            const int fd = Connect(Port());
            std::string lines, want;
            for (int i = 0; i < 7; ++i) {
                lines += "w fff5 00\r";
                want += answer;
            }
            Send(fd, lines);
            EXPECT_EQ(Receive(fd, want.size(), 5s), want);
            ::close(fd);
        }
        EXPECT_GE(std::chrono::steady_clock::now() - start, 1900ms);
        const std::string log = Log();
        EXPECT_NE(log.find("commands-per-second 3 reached"), std::string::npos) << log;
        EXPECT_EQ(log.find("commands-per-second 3 reached"), log.rfind("commands-per-second 3 reached"))
            << log;
    }
}
