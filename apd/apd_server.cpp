// orvane-apd's sockets: takeover, allowed peers, keep-alive, unsent and rate bounds, the optional idle
// timeout.
#include "apd/apd_server.h"

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

namespace apd {

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr auto kWindow = std::chrono::seconds(1);
// The rate bound acting again is logged at most this often.
constexpr auto kThrottleLogPeriod = std::chrono::seconds(60);

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string PeerText(const sockaddr_in& addr) {
    return Ipv4Text(ntohl(addr.sin_addr.s_addr)) + ":" + std::to_string(ntohs(addr.sin_port));
}

void SetOption(int fd, int level, int name, int value) {
    ::setsockopt(fd, level, name, &value, sizeof value);
}

} // namespace

Server::Server(Engine& engine, Limits limits, std::vector<Cidr> allow, LogFunction log)
    : m_engine(engine), m_limits(limits), m_allow(std::move(allow)), m_log(std::move(log)) {}

Server::~Server() {
    CloseFd(m_clientFd);
    CloseFd(m_listenFd);
    CloseFd(m_stopPipe[0]);
    CloseFd(m_stopPipe[1]);
}

bool Server::Start(const std::string& listenAddress, int port, std::string& error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, listenAddress.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + listenAddress;
        return false;
    }
    if (::pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listenFd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    SetOption(m_listenFd, SOL_SOCKET, SO_REUSEADDR, 1);
    socklen_t len = sizeof addr;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listenFd, 8) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        error = listenAddress + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    m_port = ntohs(addr.sin_port);
    return true;
}

void Server::Stop() {
    [[maybe_unused]] const auto written = ::write(m_stopPipe[1], &kStopByte, 1);
}

void Server::Reload() {
    [[maybe_unused]] const auto written = ::write(m_stopPipe[1], &kReloadByte, 1);
}

void Server::Reconfigure(Limits limits, std::vector<Cidr> allow) {
    m_limits = limits;
    m_allow = std::move(allow);
}

void Server::SetHeartbeat(std::chrono::milliseconds period, std::function<void()> beat) {
    m_beatPeriod = period;
    m_beat = std::move(beat);
    m_nextBeat = Clock::now();
}

void Server::Beat(Clock::time_point now) {
    if (!m_beat || now < m_nextBeat) return;
    m_nextBeat = now + m_beatPeriod;
    m_beat();
}

void Server::Refuse(const std::string& peer) {
    // An outsider that keeps connecting must not flood the journal past its rate limit, which would drop
    // the lines that matter: one line now, then a count per period.
    if (!m_refusedSince) {
        m_refusedSince = Clock::now();
        m_log(LogLevel::Warning, "refused " + peer +
                                     ": not in allow (more refusals are counted, logged every " +
                                     std::to_string(m_limits.refusedSummaryS) + " s)");
        return;
    }
    ++m_refusedCount;
    m_refusedLast = peer;
}

void Server::Summarise(Clock::time_point now) {
    if (!m_refusedSince || now - *m_refusedSince < std::chrono::seconds(m_limits.refusedSummaryS)) return;
    if (m_refusedCount == 0) {
        m_refusedSince.reset(); // quiet for a whole period: the next refusal is logged at once
        return;
    }
    m_log(LogLevel::Warning,
          "refused " + std::to_string(m_refusedCount) + " more connections not in allow in " +
              std::to_string(m_limits.refusedSummaryS) + " s, the last from " + m_refusedLast);
    m_refusedSince = now;
    m_refusedCount = 0;
}

void Server::Accept() {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    const int fd =
        ::accept4(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    const std::string peer = PeerText(addr);
    const std::uint32_t address = ntohl(addr.sin_addr.s_addr);
    bool allowed = false;
    for (const Cidr& range : m_allow)
        allowed = allowed || range.Contains(address);
    if (!allowed) {
        // Closed before a byte is read: a peer outside the ranges never reaches the protocol.
        ::close(fd);
        return Refuse(peer);
    }
    if (m_clientFd >= 0) Drop(LogLevel::Notice, "taken over by " + peer);
    // A peer that vanished without closing (cable pulled, PC switched off) is found by keep-alive.
    SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, m_limits.keepAliveIdleS);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, m_limits.keepAliveIntervalS);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, m_limits.keepAliveCount);
    SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    // The kernel's share of unread replies is bounded too, so that max-unsent is reached soon.
    SetOption(fd, SOL_SOCKET, SO_SNDBUF, static_cast<int>(m_limits.maxUnsent));
    m_clientFd = fd;
    m_peer = peer;
    m_framer.Reset();
    m_lines.clear();
    m_unsent.clear();
    m_lastHeard = Clock::now();
    m_engine.NoteConnected();
    m_log(LogLevel::Notice, "connection from " + peer);
}

void Server::Drop(LogLevel level, const std::string& why) {
    if (m_clientFd < 0) return;
    m_log(level, "closed " + m_peer + ": " + why);
    CloseFd(m_clientFd);
    m_peer.clear();
    m_lines.clear();
    m_unsent.clear();
    m_engine.NoteDisconnected();
}

void Server::Read() {
    char chunk[kReadChunk];
    const ssize_t n = ::recv(m_clientFd, chunk, sizeof chunk, 0);
    if (n == 0) return Drop(LogLevel::Notice, "the peer closed the connection");
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        return Drop(LogLevel::Warning, std::string("connection lost: ") + std::strerror(errno));
    }
    m_lastHeard = Clock::now();
    std::vector<LineFramer::Line> lines;
    m_framer.Feed(std::string_view(chunk, static_cast<std::size_t>(n)), lines);
    for (LineFramer::Line& line : lines)
        m_lines.push_back(std::move(line));
}

void Server::Perform() {
    while (m_clientFd >= 0 && !m_lines.empty()) {
        const Clock::time_point now = Clock::now();
        if (now - m_windowStart >= kWindow) {
            m_windowStart = now;
            m_windowCommands = 0;
        }
        if (m_windowCommands >= m_limits.commandsPerSecond) {
            if (!m_throttleLogged || now - *m_throttleLogged >= kThrottleLogPeriod) {
                m_throttleLogged = now;
                m_log(LogLevel::Warning,
                      m_peer + ": commands-per-second " + std::to_string(m_limits.commandsPerSecond) +
                          " reached: further commands wait (logged at most once a minute)");
            }
            return;
        }
        Beat(now); // a slow hostapd makes each command take up to seconds
        ++m_windowCommands;
        // A command held back by commands-per-second was heard when it is taken: never "idle" meanwhile.
        m_lastHeard = now;
        const LineFramer::Line line = std::move(m_lines.front());
        m_lines.pop_front();
        m_unsent += m_engine.Answer(line.text, line.overlong);
        // Only what the kernel would not take counts: a burst of answers to a client that reads is fine.
        Flush();
        if (m_clientFd >= 0 && m_unsent.size() > m_limits.maxUnsent) {
            return Drop(LogLevel::Warning, std::to_string(m_unsent.size()) +
                                               " bytes of replies unread, over max-unsent " +
                                               std::to_string(m_limits.maxUnsent));
        }
    }
}

void Server::Flush() {
    while (m_clientFd >= 0 && !m_unsent.empty()) {
        const ssize_t sent = ::send(m_clientFd, m_unsent.data(), m_unsent.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                Drop(LogLevel::Warning, std::string("send: ") + std::strerror(errno));
            return;
        }
        m_unsent.erase(0, static_cast<std::size_t>(sent));
    }
}

int Server::PollTimeoutMs() const {
    std::optional<Clock::time_point> due;
    const auto sooner = [&due](Clock::time_point t) { due = due ? std::min(*due, t) : t; };
    if (m_clientFd >= 0 && m_limits.idleTimeoutS > 0)
        sooner(m_lastHeard + std::chrono::seconds(m_limits.idleTimeoutS));
    if (m_clientFd >= 0 && !m_lines.empty()) sooner(m_windowStart + kWindow);
    if (m_refusedSince) sooner(*m_refusedSince + std::chrono::seconds(m_limits.refusedSummaryS));
    if (m_beat) sooner(m_nextBeat);
    if (!due) return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
    return wait < 0 ? 0 : static_cast<int>(std::min<long long>(wait, 60000));
}

Server::End Server::Run() {
    for (;;) {
        Perform();
        Flush();
        const Clock::time_point now = Clock::now();
        // Off unless the owner set it: Orvane sends nothing while the technician reads the screen, and
        // keep-alive already finds a PC that went away.
        if (m_clientFd >= 0 && m_limits.idleTimeoutS > 0 &&
            now - m_lastHeard >= std::chrono::seconds(m_limits.idleTimeoutS)) {
            Drop(LogLevel::Notice, "idle for " + std::to_string(m_limits.idleTimeoutS) + " s (idle-timeout)");
        }
        Summarise(now);
        Beat(now);
        const bool haveClient = m_clientFd >= 0;
        std::vector<pollfd> fds{{m_stopPipe[0], POLLIN, 0}, {m_listenFd, POLLIN, 0}};
        if (haveClient) {
            // Lines wait while commands-per-second holds them: nothing more is read meanwhile.
            const short events =
                static_cast<short>((m_lines.empty() ? POLLIN : 0) | (m_unsent.empty() ? 0 : POLLOUT));
            fds.push_back({m_clientFd, events, 0});
        }
        if (::poll(fds.data(), fds.size(), PollTimeoutMs()) < 0) {
            if (errno == EINTR) continue;
            return End::Failed;
        }
        if (fds[0].revents != 0) {
            char bytes[16];
            bool stop = false, reload = false;
            for (ssize_t n; (n = ::read(m_stopPipe[0], bytes, sizeof bytes)) > 0;) {
                stop = stop || std::find(bytes, bytes + n, kStopByte) != bytes + n;
                reload = true;
            }
            if (stop) return End::Stopped;
            if (reload) return End::Reload;
        }
        if (haveClient && m_clientFd >= 0) {
            if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) Read();
            if (m_clientFd >= 0 && (fds[2].revents & POLLOUT)) Flush();
        }
        if (fds[1].revents & POLLIN) Accept();
    }
}

} // namespace apd
