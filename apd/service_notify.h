// systemd's notify protocol: readiness, reloading, status and watchdog messages to $NOTIFY_SOCKET.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace apd {

// The protocol is one datagram of "NAME=value" lines to a UNIX socket; spoken here directly rather than
// through libsystemd, so that the daemon links nothing beyond the C and C++ runtimes and cross-builds
// for the boards with their cross toolchains alone.
class ServiceNotifier {
  public:
    // From the environment systemd gives a Type=notify service; does nothing without it.
    ServiceNotifier();
    ~ServiceNotifier();
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;

    // "READY=1", "RELOADING=1", "STATUS=...", "WATCHDOG=1"; false when there is no socket or it failed.
    bool Send(std::string_view message);
    // Half of WatchdogSec= when the watchdog is meant for this process; nullopt without one.
    std::optional<std::chrono::milliseconds> WatchdogPeriod() const { return m_watchdog; }

  private:
    int m_fd = -1;
    std::string m_path;
    std::optional<std::chrono::milliseconds> m_watchdog;
};

} // namespace apd
