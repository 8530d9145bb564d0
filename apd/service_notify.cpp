// The notify protocol in its few lines: a datagram per message, a leading '@' naming an abstract socket.
#include "apd/service_notify.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace apd {

namespace {

std::optional<unsigned long long> Number(const char* text) {
    if (text == nullptr) return std::nullopt;
    unsigned long long value = 0;
    const char* end = text + std::strlen(text);
    const auto [at, ec] = std::from_chars(text, end, value);
    if (ec != std::errc{} || at != end || at == text) return std::nullopt;
    return value;
}

} // namespace

ServiceNotifier::ServiceNotifier() {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (path != nullptr && (path[0] == '/' || path[0] == '@') &&
        std::strlen(path) < sizeof(sockaddr_un::sun_path))
        m_path = path;
    if (!m_path.empty()) m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // WATCHDOG_PID names the process the watchdog is for; a child started with our environment is not it.
    const auto usec = Number(std::getenv("WATCHDOG_USEC"));
    const auto pid = Number(std::getenv("WATCHDOG_PID"));
    if (usec && *usec > 0 && (!pid || *pid == static_cast<unsigned long long>(::getpid())))
        m_watchdog = std::chrono::milliseconds(*usec / 2000);
}

ServiceNotifier::~ServiceNotifier() {
    if (m_fd >= 0) ::close(m_fd);
}

bool ServiceNotifier::Send(std::string_view message) {
    if (m_fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_path.data(), m_path.size());
    if (m_path[0] == '@') address.sun_path[0] = '\0';
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + m_path.size());
    return ::sendto(m_fd, message.data(), message.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address),
                    length) == static_cast<ssize_t>(message.size());
}

} // namespace apd
