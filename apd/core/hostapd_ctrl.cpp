// hostapd's control interface over a UNIX datagram socket, as its own command-line client uses it.
#include "apd/core/hostapd_ctrl.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace apd {

namespace {

// hostapd's replies to the commands we send are at most 4096 bytes; more is not an answer of ours.
constexpr std::size_t kReplyBuffer = 16384;

bool FillAddress(sockaddr_un& address, const std::string& path) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string ClientPath() {
    static std::atomic<unsigned> counter{0};
    const std::string name = "/apsim-hostapd-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    return folder.size() + name.size() < sizeof(sockaddr_un::sun_path) ? folder + name : "/tmp" + name;
}

} // namespace

HostapdCtrl::HostapdCtrl(std::string serverPath, int timeoutMs)
    : m_serverPath(std::move(serverPath)), m_timeoutMs(timeoutMs) {}

HostapdCtrl::~HostapdCtrl() {
    Close();
}

bool HostapdCtrl::Open(std::string& why) {
    const std::string prefix = "hostapd at " + m_serverPath + ": ";
    sockaddr_un server{}, client{};
    m_clientPath = ClientPath();
    if (!FillAddress(server, m_serverPath) || !FillAddress(client, m_clientPath)) {
        why = prefix + "path too long";
        return false;
    }
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        why = prefix + "socket: " + std::strerror(errno);
        return false;
    }
    // hostapd answers to the sender's address: ours must have a name.
    ::unlink(m_clientPath.c_str());
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&client), sizeof client) != 0) {
        why = prefix + "bind " + m_clientPath + ": " + std::strerror(errno);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        why = prefix + std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

void HostapdCtrl::Close() {
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_clientPath.c_str());
}

std::optional<std::string> HostapdCtrl::Request(std::string_view command, std::string& why) {
    const std::string prefix = "hostapd at " + m_serverPath + ": ";
    // A second try only when the first send failed: the command cannot have reached hostapd then, and a
    // hostapd that was restarted since our last command is reached through a new socket.
    for (int attempt = 0;; ++attempt) {
        if (m_fd < 0 && !Open(why)) return std::nullopt;
        if (::send(m_fd, command.data(), command.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(command.size()))
            break;
        why = prefix + "send: " + std::strerror(errno);
        Close();
        if (attempt > 0) return std::nullopt;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{m_fd, POLLIN, 0};
        const int ready = left > 0 ? ::poll(&p, 1, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            why = prefix + (ready == 0 ? "no answer within " + std::to_string(m_timeoutMs) + " ms"
                                       : std::string("poll: ") + std::strerror(errno));
            // A late reply must not be taken for the answer to the next command: it goes to a closed socket.
            Close();
            return std::nullopt;
        }
        char buffer[kReplyBuffer];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR) continue;
            why = prefix + "receive: " + std::strerror(errno);
            Close();
            return std::nullopt;
        }
        if (static_cast<std::size_t>(n) > sizeof buffer) {
            why = prefix + "reply of " + std::to_string(n) + " bytes is too long";
            Close();
            return std::nullopt;
        }
        // Unsolicited event messages ("<3>AP-STA-CONNECTED ...") are not the reply.
        if (n > 0 && buffer[0] == '<') continue;
        return std::string(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace apd
