// Tests of the apsim program as harnesses use it: start line, log, SIGTERM, refusal of other addresses; its
// hostapd mode against a real hostapd.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/native/apd/hostapd_process.h"

using namespace std::chrono_literals;

namespace {

// The program under test, started with its standard output on a pipe; stopped by its pid only.
class ApSimProcess {
  public:
    explicit ApSimProcess(std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), APSIM_EXE);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, APSIM_EXE, &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
    }
    ~ApSimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_out >= 0) ::close(m_out);
    }
    // One line of standard output, or empty after the time-out.
    std::string ReadLine(std::chrono::milliseconds wait = 5000ms) {
        const auto until = std::chrono::steady_clock::now() + wait;
        while (m_buffered.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd p{m_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char chunk[512];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0) return {};
            m_buffered.append(chunk, static_cast<std::size_t>(n));
        }
        const std::size_t nl = m_buffered.find('\n');
        std::string line = m_buffered.substr(0, nl);
        m_buffered.erase(0, nl + 1);
        return line;
    }
    void Signal(int sig) { ::kill(m_pid, sig); }
    // The wait status, once the process has ended.
    int Wait() {
        int status = -1;
        if (m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid) m_pid = -1;
        return status;
    }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_buffered;
};

int ConnectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TEST(ApSimProgram, StartLineLogAndCleanStop) {
    ApSimProcess sim({"--port", "0", "--mac", "02:11:22:33:44:55"});
    const std::string start = sim.ReadLine();
    int port = 0, control = 0;
    ASSERT_EQ(std::sscanf(start.c_str(), "apsim listening on 127.0.0.1:%d control %d", &port, &control), 2)
        << start;
    EXPECT_GT(port, 0);
    EXPECT_GT(control, 0);

    const int fd = ConnectLoopback(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::send(fd, "w fff6 \r", 8, 0), 8);
    EXPECT_EQ(sim.ReadLine(), "\"w fff6 \" -> applied (no answer)");
    ::close(fd);

    sim.Signal(SIGTERM);
    const int status = sim.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ApSimProgram, LogToFile) {
    char path[] = "/tmp/apsim_log_XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    {
        ApSimProcess sim({"--port", "0", "--log", path});
        int port = 0, control = 0;
        ASSERT_EQ(std::sscanf(sim.ReadLine().c_str(), "apsim listening on 127.0.0.1:%d control %d", &port,
                              &control),
                  2);
        const int ap = ConnectLoopback(port);
        ASSERT_GE(ap, 0);
        ASSERT_EQ(::send(ap, "w fff4 \r", 8, 0), 8);
        char reply[8];
        ASSERT_EQ(::send(ap, "w fff5 00\r", 10, 0), 10);
        ASSERT_GT(::recv(ap, reply, sizeof reply, 0), 0); // both lines are written by now
        ::close(ap);
        sim.Signal(SIGTERM);
        sim.Wait();
    }
    std::ifstream log(path);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_EQ(text.str(), "\"w fff4 \" -> close request (no answer)\n\"w fff5 00\" -> filter on\n");
    ::unlink(path);
}

TEST(ApSimProgram, RefusesOtherAddresses) {
    ApSimProcess sim({"--listen", "0.0.0.0", "--port", "0"});
    EXPECT_EQ(sim.ReadLine(1000ms), "");
    const int status = sim.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(ApSimProgram, HostapdModeKeepsTheListInHostapd) {
    if (!apd_test::HostapdInstalled()) GTEST_SKIP() << "hostapd is not installed (scripts/setup.sh)";
    apd_test::HostapdProcess hostapd;
    hostapd.Configure(1, "");
    ASSERT_TRUE(hostapd.Start());
    ApSimProcess sim({"--hostapd", hostapd.CtrlPath(), "--accept-file", hostapd.AcceptPath(), "--config",
                      hostapd.ConfigPath(), "--port", "0"});
    int port = 0, control = 0;
    ASSERT_EQ(
        std::sscanf(sim.ReadLine().c_str(), "apsim listening on 127.0.0.1:%d control %d", &port, &control),
        2);
    const int ap = ConnectLoopback(port);
    ASSERT_GE(ap, 0);
    ASSERT_EQ(::send(ap, "w fff0 0a 0b 0c 0d 0e 0f\r", 25, 0), 25);
    EXPECT_EQ(sim.ReadLine(), "\"w fff0 0a 0b 0c 0d 0e 0f\" -> 701 (added 0A 0B 0C 0D 0E 0F; hostapd: OK)");
    ::close(ap);
    apd::HostapdCtrl ctrl(hostapd.CtrlPath());
    std::string why;
    EXPECT_EQ(ctrl.Request("ACCEPT_ACL SHOW", why), "0a:0b:0c:0d:0e:0f VLAN_ID=0\n") << why;
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
}

// A configuration that does not read the accept file apsim would write: "apply" could not persist.
TEST(ApSimProgram, HostapdModeRefusesASetupThatCannotPersist) {
    apd_test::HostapdProcess files; // not started
    files.Configure(1, "");
    ApSimProcess sim({"--hostapd", files.CtrlPath(), "--accept-file", files.Folder() + "/other", "--config",
                      files.ConfigPath(), "--port", "0"});
    EXPECT_EQ(sim.ReadLine(1000ms), "");
    const int status = sim.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}
