// The AP simulator's sockets and timing; everything runs on the thread that calls Run().
#include "tools/apsim/apsim_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/apsim/apsim_options.h"

namespace apsim {

namespace {

constexpr std::size_t kMaxControlLine = 1024;
constexpr std::size_t kMaxControlClients = 8;
constexpr std::size_t kReadChunk = 4096;

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// The address was checked by the caller.
int Listen(const std::string& address, int port, int& boundPort, std::string& error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return -1;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || !SetNonBlocking(fd)) {
        error = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    boundPort = ntohs(addr.sin_port);
    return fd;
}

} // namespace

Server::Server(SimEngine& engine) : m_engine(engine) {}

Server::~Server() {
    DropClient();
    for (ControlClient& c : m_controlClients)
        CloseFd(c.fd);
    CloseFd(m_listenFd);
    CloseFd(m_controlFd);
    CloseFd(m_stopPipe[0]);
    CloseFd(m_stopPipe[1]);
}

bool Server::Start(const std::string& listenAddress, int port, int controlPort, std::string& error,
                   ListenScope scope) {
    if (scope == ListenScope::LoopbackOnly && !IsLoopbackAddress(listenAddress)) {
        error = "refusing to listen on " + listenAddress + ": only 127.0.0.0/8 is allowed";
        return false;
    }
    if (scope == ListenScope::Lan && !IsLanAddress(listenAddress)) {
        error = "refusing to listen on " + listenAddress + ": give the one unicast IPv4 address of the LAN";
        return false;
    }
    if (::pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    m_listenFd = Listen(listenAddress, port, m_port, error);
    if (m_listenFd < 0) return false;
    // The control port can change the list and has no password: it never leaves this machine.
    const std::string controlAddress = IsLoopbackAddress(listenAddress) ? listenAddress : "127.0.0.1";
    m_controlFd = Listen(controlAddress, controlPort, m_controlPort, error);
    return m_controlFd >= 0;
}

void Server::Stop() {
    const char byte = 1;
    // Nothing to do if the pipe is full: a stop is already pending.
    [[maybe_unused]] const auto written = ::write(m_stopPipe[1], &byte, 1);
}

void Server::AcceptClient() {
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    // Each answer segment leaves at once, so split answers reach the program as separate reads.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_clientFd = fd;
    m_framer.Reset();
    m_closing = false;
    m_pending.clear();
    m_sendBuffer.clear();
    m_closeWhenSent = false;
    m_lastDue = Clock::now();
    m_engine.NoteConnected();
}

void Server::DropClient() {
    if (m_clientFd < 0) return;
    CloseFd(m_clientFd);
    m_pending.clear();
    m_sendBuffer.clear();
    m_closeWhenSent = false;
    m_closing = false;
    m_engine.NoteDisconnected();
}

void Server::Schedule(const Reply& reply) {
    Clock::time_point due = std::max(Clock::now() + std::chrono::milliseconds(reply.delayMs), m_lastDue);
    for (std::size_t i = 0; i < reply.segments.size(); ++i) {
        if (i > 0) due += std::chrono::milliseconds(reply.gapMs);
        m_pending.push_back({due, reply.segments[i], false});
    }
    if (reply.close) {
        m_pending.push_back({due, {}, true});
        m_closing = true;
    }
    m_lastDue = due;
}

void Server::ReadClient() {
    char chunk[kReadChunk];
    const ssize_t n = ::recv(m_clientFd, chunk, sizeof chunk, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        DropClient();
        return;
    }
    if (n < 0 || m_closing) return;
    std::vector<LineFramer::Line> lines;
    m_framer.Feed(std::string_view(chunk, static_cast<std::size_t>(n)), lines);
    // Once a close is scheduled, the lines after it are never performed.
    for (std::size_t i = 0; i < lines.size() && !m_closing; ++i)
        Schedule(m_engine.HandleCommand(lines[i].text, lines[i].overlong));
    if (m_closing) m_framer.Reset();
}

void Server::FlushClient() {
    // False while bytes are left for the next POLLOUT, or once the client is gone.
    auto drain = [this]() {
        while (!m_sendBuffer.empty()) {
            const ssize_t sent = ::send(m_clientFd, m_sendBuffer.data(), m_sendBuffer.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) DropClient();
                return false;
            }
            m_sendBuffer.erase(0, static_cast<std::size_t>(sent));
        }
        return true;
    };
    if (m_clientFd < 0 || !drain()) return;
    const Clock::time_point now = Clock::now();
    // A segment goes out only when the one before it has left, so a gap stays a gap.
    while (!m_pending.empty() && m_pending.front().due <= now) {
        Outgoing out = std::move(m_pending.front());
        m_pending.pop_front();
        m_sendBuffer = std::move(out.bytes);
        if (out.close) m_closeWhenSent = true;
        if (!drain()) return;
    }
    if (m_closeWhenSent) {
        m_closeWhenSent = false;
        ::shutdown(m_clientFd, SHUT_RDWR);
        DropClient();
    }
}

void Server::AcceptControl() {
    const int fd = ::accept4(m_controlFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    if (m_controlClients.size() >= kMaxControlClients) {
        ::close(fd);
        return;
    }
    m_controlClients.push_back({fd, {}, {}});
}

bool Server::ServeControl(ControlClient& client) {
    char chunk[kReadChunk];
    const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return false;
    if (n > 0) client.in.append(chunk, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = client.in.find_first_of("\r\n")) != std::string::npos) {
        const std::string line = client.in.substr(0, end);
        client.in.erase(0, end + 1);
        if (!line.empty()) client.out += m_engine.HandleControl(line);
    }
    if (client.in.size() > kMaxControlLine) return false;
    while (!client.out.empty()) {
        const ssize_t sent = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        client.out.erase(0, static_cast<std::size_t>(sent));
    }
    return true;
}

int Server::PollTimeoutMs() const {
    if (m_clientFd < 0 || m_pending.empty() || !m_sendBuffer.empty()) return -1;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(m_pending.front().due - Clock::now()).count();
    return wait < 0 ? 0 : static_cast<int>(wait);
}

bool Server::Run() {
    for (;;) {
        FlushClient();

        std::vector<pollfd> fds;
        fds.push_back({m_stopPipe[0], POLLIN, 0});
        fds.push_back({m_controlFd, POLLIN, 0});
        // While a client is served, others wait in the backlog and are taken after it leaves.
        const bool haveClient = m_clientFd >= 0;
        fds.push_back({haveClient ? m_clientFd : m_listenFd,
                       static_cast<short>(POLLIN | (haveClient && !m_sendBuffer.empty() ? POLLOUT : 0)), 0});
        for (const ControlClient& c : m_controlClients) {
            fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
        }

        if (::poll(fds.data(), fds.size(), PollTimeoutMs()) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[0].revents != 0) return true;
        if (fds[1].revents & POLLIN) AcceptControl();
        if (haveClient) {
            if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) ReadClient();
            if (m_clientFd >= 0 && (fds[2].revents & POLLOUT)) FlushClient();
        } else if (fds[2].revents & POLLIN) {
            AcceptClient();
        }
        // Control clients accepted in this round have no poll entry yet.
        for (std::size_t i = 3, k = 0; i < fds.size(); ++i, ++k) {
            if (fds[i].revents != 0 && !ServeControl(m_controlClients[k])) CloseFd(m_controlClients[k].fd);
        }
        std::erase_if(m_controlClients, [](const ControlClient& c) { return c.fd < 0; });
    }
}

} // namespace apsim
