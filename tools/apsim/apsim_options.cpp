// Command-line options of the AP simulator.
#include "tools/apsim/apsim_options.h"

#include "tools/common/tool_text.h"

#include <optional>

namespace apsim {

namespace {

// A whole decimal number from 0 to max.
std::optional<long> ParseNumber(std::string_view text, long max) {
    const auto value = tooltext::ParseNumber(text, 0, max, false);
    return value ? std::optional<long>(static_cast<long>(*value)) : std::nullopt;
}

// The four numbers of a dotted IPv4 address; nullopt for anything else.
std::optional<std::vector<long>> DottedQuad(std::string_view address) {
    std::vector<long> parts;
    for (;;) {
        const std::size_t dot = address.find('.');
        const std::string_view part = address.substr(0, dot);
        const auto value = part.size() <= 3 ? ParseNumber(part, 255) : std::nullopt;
        if (!value || parts.size() == 4) return std::nullopt;
        parts.push_back(*value);
        if (dot == std::string_view::npos) break;
        address.remove_prefix(dot + 1);
    }
    if (parts.size() != 4) return std::nullopt;
    return parts;
}

// sockaddr_un holds 108 bytes with the terminating zero.
constexpr std::size_t kMaxSocketPath = 107;

} // namespace

bool IsLoopbackAddress(std::string_view address) {
    const auto parts = DottedQuad(address);
    return parts && (*parts)[0] == 127;
}

bool IsLanAddress(std::string_view address) {
    const auto parts = DottedQuad(address);
    return parts && (*parts)[0] >= 1 && (*parts)[0] <= 223;
}

std::string Usage() {
    return "usage: apsim [options]\n"
           "  --listen ADDR        address in 127.0.0.0/8 (default 127.0.0.1); with --hostapd, the AP's\n"
           "                       address on the LAN the technician's PC is cabled to\n"
           "  --port N             AP port (default 4321; 0 = any free port)\n"
           "  --control-port N     control port (default 0 = any free port)\n"
           "  --capacity N         most MAC addresses the list holds (default 64)\n"
           "  --mac MAC            a list entry at start; repeatable\n"
           "  --log FILE           append the command log to FILE instead of standard output\n"
           "  --refuse N           answer the next N commands with \"200\"\n"
           "  --garbage N          answer the next N commands with unexpected text\n"
           "  --garbage-text TEXT  that text\n"
           "  --split A,B,...      cut every answer into segments at these byte offsets\n"
           "  --split-gap MS       pause between segments (default 100)\n"
           "  --pad-full           pad list answers to whole 3000-byte reads\n"
           "  --delay MS           pause before every answer\n"
           "  --close-after N      close the connection after the N-th command\n"
           "  --close-silent       ... without answering that command\n"
           "The list kept by a running hostapd instead of in memory (all three together):\n"
           "  --hostapd CTRL_PATH  hostapd's control socket of one interface, e.g. /var/run/hostapd/wlan0\n"
           "  --accept-file PATH   that interface's accept_mac_file, rewritten by \"apply\"\n"
           "  --config PATH        hostapd's configuration file, whose macaddr_acl \"apply\" sets\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        auto number = [&](long max) -> std::optional<long> {
            const auto text = value();
            return text ? ParseNumber(*text, max) : std::nullopt;
        };
        auto bad = [&](const std::string& why) {
            error = name + ": " + why;
            return false;
        };

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--listen") {
            const auto text = value();
            if (!text || !IsLanAddress(*text)) return bad("needs an IPv4 address");
            options.listen = *text;
        } else if (name == "--port" || name == "--control-port") {
            const auto n = number(65535);
            if (!n) return bad("needs a port number 0-65535");
            (name == "--port" ? options.port : options.controlPort) = static_cast<int>(*n);
        } else if (name == "--capacity") {
            const auto n = number(100000);
            if (!n) return bad("needs a number");
            options.capacity = static_cast<std::size_t>(*n);
        } else if (name == "--mac") {
            const auto text = value();
            const auto mac = text ? ParseMacLoose(*text) : std::nullopt;
            if (!mac) return bad("needs twelve hexadecimal digits");
            options.macs.push_back(*mac);
        } else if (name == "--log") {
            const auto text = value();
            if (!text || text->empty()) return bad("needs a file name");
            options.logPath = *text;
        } else if (name == "--refuse" || name == "--garbage" || name == "--split-gap" || name == "--delay" ||
                   name == "--close-after") {
            const auto n = number(1000000);
            if (!n) return bad("needs a number");
            const int v = static_cast<int>(*n);
            Faults& f = options.faults;
            (name == "--refuse"      ? f.refuse
             : name == "--garbage"   ? f.garbage
             : name == "--split-gap" ? f.splitGapMs
             : name == "--delay"     ? f.delayMs
                                     : f.closeAfter) = v;
        } else if (name == "--garbage-text") {
            const auto text = value();
            if (!text || text->empty()) return bad("needs a text");
            options.faults.garbageText = *text;
        } else if (name == "--split") {
            const auto text = value();
            const auto offsets = text ? ParseSplitOffsets(*text) : std::nullopt;
            if (!offsets) return bad("needs rising offsets such as 5,40");
            options.faults.split = *offsets;
        } else if (name == "--hostapd" || name == "--accept-file" || name == "--config") {
            const auto text = value();
            if (!text || text->empty()) return bad("needs a path");
            if (name == "--hostapd" && text->size() > kMaxSocketPath)
                return bad("path too long for a socket");
            (name == "--hostapd"       ? options.hostapdCtrl
             : name == "--accept-file" ? options.acceptFile
                                       : options.configPath) = *text;
        } else if (name == "--pad-full" || name == "--close-silent") {
            if (inlineValue) return bad("takes no value");
            (name == "--pad-full" ? options.faults.padFull : options.faults.closeSilent) = true;
        } else {
            return bad("unknown option");
        }
    }
    if (options.port != 0 && options.port == options.controlPort) {
        error = "--port and --control-port must differ";
        return false;
    }
    const bool hostapd = !options.hostapdCtrl.empty();
    if (hostapd != !options.acceptFile.empty() || hostapd != !options.configPath.empty()) {
        error = "--hostapd, --accept-file and --config go together";
        return false;
    }
    if (hostapd && (!options.macs.empty() || options.capacity != kDefaultCapacity)) {
        error = "--mac and --capacity are for the list in memory; with --hostapd the list is hostapd's";
        return false;
    }
    if (!hostapd && !IsLoopbackAddress(options.listen)) {
        error = "--listen: needs an IPv4 address in 127.0.0.0/8 (other addresses only with --hostapd)";
        return false;
    }
    return true;
}

} // namespace apsim
