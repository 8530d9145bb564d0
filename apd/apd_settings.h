// orvane-apd's settings: its configuration file, its options, the serving bounds and the --allow ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace apd {

inline constexpr const char* kDefaultConfigFile = "/etc/orvane-apd.conf";
// sockaddr_un holds 108 bytes with the terminating zero.
inline constexpr std::size_t kMaxSocketPath = 107;

// An IPv4 range such as 192.168.10.0/24; a bare address is a /32.
struct Cidr {
    std::uint32_t network = 0; // host byte order, host bits zero
    int prefix = 32;
    bool Contains(std::uint32_t address) const;
    std::string Text() const;
    bool operator==(const Cidr&) const = default;
};

std::optional<std::uint32_t> ParseIpv4(std::string_view text); // host byte order
std::string Ipv4Text(std::uint32_t address);
// "10.1.2.0/24", "10.1.2.3"; nullopt for anything else, and for a range with host bits set (a typo
// that would admit another network than the one meant).
std::optional<Cidr> ParseCidr(std::string_view text);
// The range of a netmask's network around address: 192.168.10.1 with 255.255.255.0 is 192.168.10.0/24.
std::optional<Cidr> SubnetOf(std::uint32_t address, std::uint32_t netmask);

// The bounds that keep one client from taking the AP side from the technician who is there.
struct Limits {
    // idle-timeout: a connection that sends nothing for this long is closed; 0: never. Orvane sends nothing
    // while the technician reads the screen, so any value closes a technician who is reading.
    int idleTimeoutS = 0;
    std::size_t maxUnsent = 64 * 1024; // max-unsent: a client whose unread replies pass this is dropped
    int commandsPerSecond = 20;        // commands-per-second, over all connections: more wait
    // TCP keep-alive finds a peer that vanished (cable pulled) within idle + interval * count seconds.
    int keepAliveIdleS = 30;
    int keepAliveIntervalS = 10;
    int keepAliveCount = 3;
    // Refused peers after the first are counted and logged once per this many seconds.
    int refusedSummaryS = 60;
};

struct Settings {
    std::string configFile;              // the file read, empty when there was none
    std::string listen = "192.168.10.1"; // the AP's address on the technicians' LAN
    int port = 4321;
    std::vector<Cidr> allow; // empty: the listen address's subnet
    std::string hostapdCtrl = "/var/run/hostapd/wlan0";
    std::string acceptFile = "/etc/hostapd/hostapd.accept";
    std::string hostapdConf = "/etc/hostapd/hostapd.conf";
    Limits limits;
    bool debug = false; // log-level debug: list reads and applies that changed nothing are logged too
    bool help = false;
    bool version = false;
};

// Reads a file's text; nullopt (and why) when it cannot; missing: it does not exist.
using FileReader =
    std::function<std::optional<std::string>(const std::string& path, std::string& why, bool& missing)>;

// The configuration file (--config, else kDefaultConfigFile, which may be absent), then the command line
// (without the program name) over it: "name = value" lines with the options' names, '#' comments. An
// --allow on the command line replaces the file's. On failure error says where and why.
bool ParseSettings(const std::vector<std::string>& args, const FileReader& readFile, Settings& settings,
                   std::string& error);
std::string Usage();

} // namespace apd
