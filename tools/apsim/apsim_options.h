// Command-line options of the AP simulator, and the loopback-only address rule.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/apsim/apsim_engine.h"

namespace apsim {

using namespace apd;

inline constexpr int kDefaultPort = 4321;

struct Options {
    std::string listen = "127.0.0.1"; // loopback only, unless the list is kept by hostapd
    int port = kDefaultPort;          // 0: any free port, printed at start
    int controlPort = 0;              // 0: any free port, printed at start
    std::size_t capacity = kDefaultCapacity;
    std::vector<Mac> macs; // the list at start, in this order
    std::string logPath;   // empty: the log goes to standard output
    Faults faults;
    // The list kept by a running hostapd instead: its control socket, accept_mac_file and configuration.
    std::string hostapdCtrl;
    std::string acceptFile;
    std::string configPath;
    bool help = false;
};

// Dotted IPv4 in 127.0.0.0/8. The in-memory simulator never listens anywhere else.
bool IsLoopbackAddress(std::string_view address);
// Dotted IPv4 of one host (first number 1-223): never 0.0.0.0, which would open every interface, nor
// broadcast or multicast.
bool IsLanAddress(std::string_view address);

// args excludes the program name. On failure error says why.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

std::string Usage();

} // namespace apsim
