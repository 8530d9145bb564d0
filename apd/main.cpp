// orvane-apd: the AP side of Orvane on a Linux access point, keeping the MAC filter in hostapd; SIGTERM
// ends it cleanly, SIGHUP reads its settings again.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ifaddrs.h>
#include <memory>
#include <optional>
#include <netinet/in.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "apd/core/ap_engine.h"
#include "apd/apd_server.h"
#include "apd/apd_settings.h"
#include "apd/core/hostapd_backend.h"
#include "apd/core/hostapd_files.h"
#include "apd/service_notify.h"

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace {

volatile std::sig_atomic_t g_stopFd = -1;

void OnSignal(int signal) {
    // The code the signal interrupted may be about to read errno.
    const int saved = errno;
    const char byte = signal == SIGHUP ? apd::Server::kReloadByte : apd::Server::kStopByte;
    if (g_stopFd >= 0) {
        [[maybe_unused]] const auto written = ::write(g_stopFd, &byte, 1);
    }
    errno = saved;
}

bool g_debug = false;

// Under systemd (JOURNAL_STREAM set) each line carries its priority as "<N>", which the journal reads;
// elsewhere a time stamp. One write per line, so lines never interleave.
void Log(apd::LogLevel level, const std::string& text) {
    if (level == apd::LogLevel::Debug && !g_debug) return;
    static const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    std::string line;
    if (journal) {
        line = "<" + std::to_string(static_cast<int>(level)) + ">" + text + "\n";
    } else {
        char stamp[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        ::gmtime_r(&now, &utc);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
        line = std::string(stamp) + " orvane-apd: " + text + "\n";
    }
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.data(), line.size());
}

std::optional<std::string> ReadConfig(const std::string& path, std::string& why, bool& missing) {
    errno = 0;
    auto text = apd::ReadWholeFile(path, why);
    missing = !text && errno == ENOENT;
    return text;
}

// The subnet of the interface that holds address: the technicians' LAN.
std::optional<apd::Cidr> SubnetOfLocalAddress(std::uint32_t address) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return std::nullopt;
    std::optional<apd::Cidr> subnet;
    for (const ifaddrs* i = list; i != nullptr && !subnet; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_netmask == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* addr = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
        const auto* mask = reinterpret_cast<const sockaddr_in*>(i->ifa_netmask);
        if (ntohl(addr->sin_addr.s_addr) == address)
            subnet = apd::SubnetOf(address, ntohl(mask->sin_addr.s_addr));
    }
    ::freeifaddrs(list);
    return subnet;
}

// The settings from the file and the options; without --allow, the listen address's subnet.
bool LoadSettings(const std::vector<std::string>& args, apd::Settings& settings, std::string& error) {
    settings = apd::Settings{};
    if (!apd::ParseSettings(args, ReadConfig, settings, error)) return false;
    if (settings.help || settings.version || !settings.allow.empty()) return true;
    const auto subnet = SubnetOfLocalAddress(*apd::ParseIpv4(settings.listen));
    if (!subnet) {
        error = "no interface holds the listen address " + settings.listen +
                ": give --listen the AP's address on the technicians' LAN";
        return false;
    }
    settings.allow.push_back(*subnet);
    return true;
}

std::string Bounds(const apd::Settings& settings) {
    std::string allowText;
    for (const apd::Cidr& range : settings.allow)
        allowText += (allowText.empty() ? "" : " ") + range.Text();
    const apd::Limits& l = settings.limits;
    return allowText + "; idle-timeout " +
           (l.idleTimeoutS > 0 ? std::to_string(l.idleTimeoutS) + " s" : "off") + ", max-unsent " +
           std::to_string(l.maxUnsent) + " bytes, commands-per-second " +
           std::to_string(l.commandsPerSecond) + ", keep-alive " + std::to_string(l.keepAliveIdleS) + "+" +
           std::to_string(l.keepAliveIntervalS) + "x" + std::to_string(l.keepAliveCount) + " s" +
           (settings.debug ? ", log-level debug" : "");
}

// SIGHUP: the settings read again. allow, the bounds and log-level change in place; the listen address,
// port and hostapd's paths are bound to sockets and files opened at start, so they wait for a restart.
void Reload(const std::vector<std::string>& args, apd::Settings& running, apd::Server& server) {
    apd::Settings next;
    std::string error;
    if (!LoadSettings(args, next, error)) {
        Log(apd::LogLevel::Error, "reload refused, the running settings stay: " + error);
        return;
    }
    if (next.listen != running.listen || next.port != running.port ||
        next.hostapdCtrl != running.hostapdCtrl || next.acceptFile != running.acceptFile ||
        next.hostapdConf != running.hostapdConf) {
        Log(apd::LogLevel::Warning,
            "reload: listen, port, hostapd, accept-file and hostapd-conf changes take "
            "effect at the next start (systemctl restart orvane-apd)");
        next.listen = running.listen;
        next.port = running.port;
        next.hostapdCtrl = running.hostapdCtrl;
        next.acceptFile = running.acceptFile;
        next.hostapdConf = running.hostapdConf;
    }
    running = next;
    g_debug = running.debug;
    server.Reconfigure(running.limits, running.allow);
    Log(apd::LogLevel::Notice, "reloaded: serving " + Bounds(running));
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    apd::Settings settings;
    std::string error;
    if (!apd::ParseSettings(args, ReadConfig, settings, error)) {
        std::fprintf(stderr, "orvane-apd: %s\n(orvane-apd --help lists the settings)\n", error.c_str());
        return 2;
    }
    if (settings.help) {
        std::fputs(apd::Usage().c_str(), stdout);
        return 0;
    }
    if (settings.version) {
        std::printf("orvane-apd %s\n", ORVANE_VERSION);
        return 0;
    }
    if (!LoadSettings(args, settings, error)) {
        Log(apd::LogLevel::Error, error);
        return 1;
    }
    g_debug = settings.debug;

    const apd::HostapdPaths paths{settings.acceptFile, settings.hostapdConf,
                                  apd::InterfaceOfControlPath(settings.hostapdCtrl)};
    if (!apd::CheckHostapdSetup(paths, error)) {
        Log(apd::LogLevel::Error, error);
        return 1;
    }
    auto channel = std::make_unique<apd::HostapdCtrl>(settings.hostapdCtrl);
    // hostapd may come up after us or restart at any time: meanwhile commands are refused and say why.
    const auto pong = channel->Request("PING", error);
    if (pong != "PONG\n")
        Log(apd::LogLevel::Warning,
            "hostapd does not answer yet: " + (pong ? "unexpected answer to PING" : error));
    apd::Engine engine(std::make_unique<apd::HostapdBackend>(std::move(channel), paths));

    apd::Server server(engine, settings.limits, settings.allow, Log);
    engine.SetLogSink(
        [&server](apd::LogLevel level, const std::string& line) { Log(level, server.Peer() + ": " + line); });
    if (!server.Start(settings.listen, settings.port, error)) {
        Log(apd::LogLevel::Error, error);
        return 1;
    }

    g_stopFd = server.StopWriteFd();
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Log(apd::LogLevel::Notice,
        "listening on " + settings.listen + ":" + std::to_string(server.Port()) + " for " + Bounds(settings) +
            "; hostapd " + settings.hostapdCtrl +
            (settings.configFile.empty() ? "" : "; settings from " + settings.configFile));
    apd::ServiceNotifier notifier;
    // The watchdog sees the serving loop turn: a loop stuck (a file system that hangs a sync) is restarted.
    if (const auto period = notifier.WatchdogPeriod())
        server.SetHeartbeat(*period, [&notifier] { notifier.Send("WATCHDOG=1"); });
    notifier.Send("READY=1\nSTATUS=listening on " + settings.listen + ":" + std::to_string(server.Port()));

    for (;;) {
        const apd::Server::End end = server.Run();
        if (end != apd::Server::End::Reload) {
            notifier.Send("STOPPING=1");
            const bool ok = end == apd::Server::End::Stopped;
            Log(ok ? apd::LogLevel::Notice : apd::LogLevel::Error, ok ? "stopped" : "poll failed");
            return ok ? 0 : 1;
        }
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        notifier.Send("RELOADING=1\nMONOTONIC_USEC=" +
                      std::to_string(now.tv_sec * 1000000LL + now.tv_nsec / 1000));
        Reload(args, settings, server);
        notifier.Send("READY=1");
    }
}
