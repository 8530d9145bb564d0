// orvane-apd's configuration file and options, read into one set of settings.
#include "apd/apd_settings.h"

#include <charconv>

namespace apd {

namespace {

std::optional<long> ParseNumber(std::string_view text, long min, long max) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool IsPath(const std::string& name) {
    return name == "hostapd" || name == "accept-file" || name == "hostapd-conf";
}

// One setting by its name (the option's without "--"); false and error for a bad value or name.
bool Set(const std::string& name, const std::string& value, Settings& settings, std::string& error) {
    auto bad = [&](const std::string& why) {
        error = name + ": " + why;
        return false;
    };
    Limits& limits = settings.limits;
    if (name == "listen") {
        const auto address = ParseIpv4(value);
        // Never every interface at once, nor broadcast or multicast: the protocol has no password.
        if (!address || (*address >> 24) == 0 || (*address >> 24) > 223)
            return bad("needs the one unicast IPv4 address of the AP on the technicians' LAN");
        settings.listen = value;
    } else if (name == "port") {
        const auto n = ParseNumber(value, 0, 65535);
        if (!n) return bad("needs a port number 0-65535 (0: any free one, logged at start)");
        settings.port = static_cast<int>(*n);
    } else if (name == "allow") {
        const auto range = ParseCidr(value);
        if (!range) return bad("needs an IPv4 range such as 192.168.10.0/24 (host bits zero) or one address");
        settings.allow.push_back(*range);
    } else if (IsPath(name)) {
        if (value.empty() || value[0] != '/') return bad("needs an absolute path");
        (name == "hostapd"       ? settings.hostapdCtrl
         : name == "accept-file" ? settings.acceptFile
                                 : settings.hostapdConf) = value;
    } else if (name == "idle-timeout") {
        const auto n = ParseNumber(value, 0, 86400);
        if (!n) return bad("needs seconds, 0-86400 (0: never)");
        limits.idleTimeoutS = static_cast<int>(*n);
    } else if (name == "max-unsent") {
        const auto n = ParseNumber(value, 4096, 16 * 1024 * 1024);
        if (!n) return bad("needs bytes, 4096-16777216");
        limits.maxUnsent = static_cast<std::size_t>(*n);
    } else if (name == "commands-per-second") {
        const auto n = ParseNumber(value, 1, 100000);
        if (!n) return bad("needs a number, 1-100000");
        limits.commandsPerSecond = static_cast<int>(*n);
    } else if (name == "log-level") {
        if (value != "info" && value != "debug") return bad("needs info or debug");
        settings.debug = value == "debug";
    } else {
        error = "unknown setting " + name;
        return false;
    }
    return true;
}

} // namespace

bool Cidr::Contains(std::uint32_t address) const {
    const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    return (address & mask) == network;
}

std::string Cidr::Text() const {
    return Ipv4Text(network) + "/" + std::to_string(prefix);
}

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos || dot == 0 || dot > 3) return std::nullopt;
        const auto part = ParseNumber(text.substr(0, dot), 0, 255);
        if (!part) return std::nullopt;
        address = address << 8 | static_cast<std::uint32_t>(*part);
        text.remove_prefix(i < 3 ? dot + 1 : dot);
    }
    return address;
}

std::string Ipv4Text(std::uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." +
           std::to_string(a >> 8 & 255) + "." + std::to_string(a & 255);
}

std::optional<Cidr> ParseCidr(std::string_view text) {
    const std::size_t slash = text.find('/');
    const auto address = ParseIpv4(text.substr(0, slash));
    const auto prefix = slash == std::string_view::npos ? std::optional<long>(32)
                                                        : ParseNumber(text.substr(slash + 1), 0, 32);
    if (!address || !prefix) return std::nullopt;
    Cidr range{*address, static_cast<int>(*prefix)};
    const std::uint32_t mask = range.prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - range.prefix);
    if ((*address & ~mask) != 0) return std::nullopt;
    return range;
}

std::optional<Cidr> SubnetOf(std::uint32_t address, std::uint32_t netmask) {
    int prefix = 0;
    while (prefix < 32 && (netmask & (std::uint32_t{1} << (31 - prefix))) != 0)
        ++prefix;
    const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    if (netmask != mask) return std::nullopt; // not contiguous
    return Cidr{address & mask, prefix};
}

bool ParseSettings(const std::vector<std::string>& args, const FileReader& readFile, Settings& settings,
                   std::string& error) {
    // Options as (name, value) pairs first: --config must be known before the file is read.
    std::vector<std::pair<std::string, std::string>> given;
    std::string configFile = kDefaultConfigFile;
    bool configGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--help" || name == "-h") {
            settings.help = true;
            continue;
        }
        if (name == "--version") {
            settings.version = true;
            continue;
        }
        if (name.rfind("--", 0) != 0) {
            error = name + ": not an option";
            return false;
        }
        name.erase(0, 2);
        std::string value;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "--" + name + ": needs a value";
            return false;
        }
        if (name == "config") {
            configFile = value;
            configGiven = true;
        } else {
            given.emplace_back(name, value);
        }
    }
    if (settings.help || settings.version) return true;

    bool missing = false;
    std::string why;
    const auto text = readFile(configFile, why, missing);
    if (!text && (configGiven || !missing)) {
        error = configFile + ": " + why;
        return false;
    }
    if (text) {
        settings.configFile = configFile;
        std::size_t number = 0;
        std::string_view rest = *text;
        while (!rest.empty()) {
            ++number;
            const std::size_t nl = rest.find('\n');
            const std::string_view line = Trim(rest.substr(0, nl));
            rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
            if (line.empty() || line[0] == '#') continue;
            const std::size_t eq = line.find('=');
            if (eq == std::string_view::npos) {
                error = configFile + ":" + std::to_string(number) + ": not \"name = value\"";
                return false;
            }
            if (!Set(std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1))), settings,
                     why)) {
                error = configFile + ":" + std::to_string(number) + ": " + why;
                return false;
            }
        }
    }
    bool allowReplaced = false;
    for (const auto& [name, value] : given) {
        if (name == "allow" && !allowReplaced) {
            settings.allow.clear();
            allowReplaced = true;
        }
        if (!Set(name, value, settings, why)) {
            error = "--" + why;
            return false;
        }
    }
    if (settings.hostapdCtrl.size() > kMaxSocketPath) {
        error = "hostapd: the control socket's path " + settings.hostapdCtrl + " has " +
                std::to_string(settings.hostapdCtrl.size()) + " bytes; a UNIX socket's path holds at most " +
                std::to_string(kMaxSocketPath) + ": give hostapd a shorter ctrl_interface folder";
        return false;
    }
    return true;
}

std::string Usage() {
    return "usage: orvane-apd [--config FILE] [options]\n"
           "Serves Orvane's MAC filter commands (TCP) to the technician's PC and keeps the list in hostapd.\n"
           "Settings come from FILE (default " +
           std::string(kDefaultConfigFile) +
           ", \"name = value\" lines with the names\n"
           "below without \"--\"), then from the options, which win.\n"
           "  --config FILE              the configuration file (an absent default file is no error)\n"
           "  --listen ADDR              the AP's IPv4 address on the technicians' LAN (default "
           "192.168.10.1)\n"
           "  --port N                   the TCP port (default 4321, the one Orvane uses)\n"
           "  --allow CIDR               a peer range that may connect, e.g. 192.168.10.0/24; repeatable;\n"
           "                             default: the subnet of the listen address's interface\n"
           "  --hostapd PATH             hostapd's control socket of the interface (default\n"
           "                             /var/run/hostapd/wlan0; at most 107 bytes)\n"
           "  --accept-file PATH         that interface's accept_mac_file (default "
           "/etc/hostapd/hostapd.accept)\n"
           "  --hostapd-conf PATH        hostapd's configuration file (default /etc/hostapd/hostapd.conf)\n"
           "  --idle-timeout S           close a connection silent for S seconds (default 0: never; a value\n"
           "                             closes a technician who is reading the screen)\n"
           "  --max-unsent BYTES         drop a client whose unread replies pass BYTES (default 65536)\n"
           "  --commands-per-second N    commands taken per second over all connections; more wait\n"
           "                             (default 20)\n"
           "  --log-level info|debug     debug also logs list reads and applies that changed nothing\n"
           "  --help, --version\n"
           "A new connection takes over from the one being served. The log goes to standard error (in the\n"
           "journal's form under systemd): one line per change, with the peer's address and hostapd's "
           "answer.\n"
           "SIGHUP reads the settings again (allow, the bounds and log-level take effect at once).\n";
}

} // namespace apd
