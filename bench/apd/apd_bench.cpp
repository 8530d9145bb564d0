// orvane-apd's cost per command: add, delete and list through the daemon over a real hostapd, against the
// same command on hostapd's control socket directly and through hostapd_cli; prints the table and ratios.
#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "apd/core/hostapd_ctrl.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 200;
constexpr int kCliRounds = 40; // a process per command: slower, fewer rounds

pid_t Spawn(std::vector<std::string> args, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

std::string Mac(int i) {
    char text[18];
    std::snprintf(text, sizeof text, "0a:00:00:00:%02x:%02x", i / 256, i % 256);
    return text;
}

// One TCP client of the daemon: a command line, then its whole answer.
class Client {
  public:
    explicit Client(int port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        m_ok = ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() { ::close(m_fd); }
    bool Ok() const { return m_ok; }
    // Sends line and reads until the answer ends with `end`; false on a time-out or close.
    bool Ask(const std::string& line, const std::string& end) {
        const std::string wire = line + "\r";
        if (::send(m_fd, wire.data(), wire.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(wire.size()))
            return false;
        std::string got;
        while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) return false;
            char buffer[8192];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0) return false;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

  private:
    int m_fd = -1;
    bool m_ok = false;
};

// Mean milliseconds of `rounds` calls of step (which is given the round's number); -1 when one failed.
double Time(int rounds, const std::function<bool(int)>& step) {
    double total = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        if (!step(i)) return -1;
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    return total / rounds;
}

} // namespace

int main(int argc, char** argv) {
    const std::string daemon = argc > 1 ? argv[1] : ORVANE_APD_PROGRAM;
    char folderTemplate[] = "/tmp/orvane-bench-XXXXXX";
    if (::mkdtemp(folderTemplate) == nullptr) return 1;
    const std::string folder = folderTemplate;
    const std::string ctrl = folder + "/ctrl", accept = folder + "/accept", conf = folder + "/hostapd.conf";
    std::FILE* f = std::fopen(conf.c_str(), "w");
    std::fprintf(f, "driver=none\ninterface=wlan0\nctrl_interface=%s\nmacaddr_acl=1\naccept_mac_file=%s\n",
                 ctrl.c_str(), accept.c_str());
    std::fclose(f);
    f = std::fopen(accept.c_str(), "w");
    std::fclose(f);

    const pid_t hostapd = Spawn({"/usr/sbin/hostapd", conf}, folder + "/hostapd.log");
    apd::HostapdCtrl bare(ctrl + "/wlan0");
    std::string why;
    bool up = false;
    for (int i = 0; i < 100 && !(up = bare.Request("PING", why) == "PONG\n"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const pid_t apd = Spawn({daemon, "--config", "/dev/null", "--listen", "127.0.0.1", "--port", "0",
                             "--hostapd", ctrl + "/wlan0", "--accept-file", accept, "--hostapd-conf", conf,
                             "--commands-per-second", "100000"},
                            folder + "/apd.log");
    // The port it took, from its first log line.
    int port = 0;
    for (int i = 0; i < 100 && port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::string text;
        if (std::FILE* log = std::fopen((folder + "/apd.log").c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, log) != nullptr)
                text += line;
            std::fclose(log);
        }
        const std::size_t at = text.find("listening on 127.0.0.1:");
        if (at != std::string::npos) port = std::atoi(text.c_str() + at + 23);
    }
    Client client(port);
    if (!up || !client.Ok()) {
        std::fprintf(stderr, "apd_bench: hostapd or orvane-apd did not start; logs in %s\n", folder.c_str());
        Stop(apd);
        Stop(hostapd);
        return 1;
    }
    auto ok = [&](const std::string& command) { return bare.Request(command, why) == "OK\n"; };
    auto cli = [&](const std::string& command) {
        const std::string line = "hostapd_cli -p " + ctrl + " -i wlan0 " + command + " >/dev/null 2>&1";
        return std::system(line.c_str()) == 0;
    };
    auto wire = [](const std::string& mac) {
        std::string text = mac;
        std::replace(text.begin(), text.end(), ':', ' ');
        return text;
    };
    auto upper = [&](const std::string& mac) {
        std::string text = wire(mac);
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        return text;
    };
    const std::string x = "02:11:22:33:44:55";
    const std::string listEnd = "701LIST00 00 00 00 00 00";

    std::printf(
        "orvane-apd against hostapd's control socket (mean ms per command, %d rounds; hostapd_cli %d)\n",
        kRounds, kCliRounds);
    std::printf(
        "| command | entries | orvane-apd | control socket | hostapd_cli | apd - socket | apd / socket | "
        "apd / hostapd_cli |\n|---|---|---|---|---|---|---|---|\n");
    bool failed = false;
    for (const int entries : {1, 145}) {
        ok("ACCEPT_ACL CLEAR");
        for (int i = 0; i < entries - 1; ++i)
            ok("ACCEPT_ACL ADD_MAC " + Mac(i));
        // add and delete alternate on one more entry, so the list holds `entries` while each is measured.
        struct Row {
            const char* name;
            double apd, socket, tool;
        };
        std::vector<Row> rows;
        double addApd = 0, delApd = 0, addSock = 0, delSock = 0, addCli = 0, delCli = 0;
        for (int round = 0; round < kRounds; ++round) {
            addApd += Time(1, [&](int) { return client.Ask("w fff0 " + wire(x), "701"); });
            delApd += Time(1, [&](int) { return client.Ask("w fff1 " + upper(x), "701"); });
            addSock += Time(1, [&](int) { return ok("ACCEPT_ACL ADD_MAC " + x); });
            delSock += Time(1, [&](int) { return ok("ACCEPT_ACL DEL_MAC " + x); });
        }
        for (int round = 0; round < kCliRounds; ++round) {
            addCli += Time(1, [&](int) { return cli("ACCEPT_ACL ADD_MAC " + x); });
            delCli += Time(1, [&](int) { return cli("ACCEPT_ACL DEL_MAC " + x); });
        }
        rows.push_back({"add", addApd / kRounds, addSock / kRounds, addCli / kCliRounds});
        rows.push_back({"delete", delApd / kRounds, delSock / kRounds, delCli / kCliRounds});
        ok("ACCEPT_ACL ADD_MAC " + x);
        rows.push_back({"list", Time(kRounds, [&](int) { return client.Ask("w fff3 ", listEnd); }),
                        Time(kRounds, [&](int) { return bare.Request("ACCEPT_ACL SHOW", why).has_value(); }),
                        Time(kCliRounds, [&](int) { return cli("ACCEPT_ACL SHOW"); })});
        for (const Row& r : rows) {
            failed = failed || r.apd < 0 || r.socket < 0 || r.tool < 0;
            std::printf("| %s | %d | %.3f | %.3f | %.3f | %+.3f | %.2f | %.2f |\n", r.name, entries, r.apd,
                        r.socket, r.tool, r.apd - r.socket, r.apd / r.socket, r.apd / r.tool);
        }
    }
    Stop(apd);
    Stop(hostapd);
    std::system(("rm -rf '" + folder + "'").c_str());
    if (failed) std::fprintf(stderr, "apd_bench: a command failed (negative figures)\n");
    return failed ? 1 : 0;
}
