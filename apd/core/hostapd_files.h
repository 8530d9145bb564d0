// hostapd's texts: the accept-list answer of its control socket, its accept_mac_file, its configuration
// file's per-interface sections, and the atomic rewrite that keeps a file whole across a power cut.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ap_backend.h"

namespace apd {

struct AclEntry {
    Mac mac{};
    int vlan = 0; // hostapd's untagged VLAN ID; 0: none
    bool operator==(const AclEntry&) const = default;
};

// hostapd 2.10 writes "ACCEPT_ACL SHOW" into a 4096-byte buffer and silently leaves out the lines that do
// not fit whole (room for the terminating zero included). The longest line,
// "aa:bb:cc:dd:ee:ff VLAN_ID=4094\n", has 31 bytes, so an answer of up to 4064 bytes is surely whole.
inline constexpr std::size_t kHostapdReplyBuffer = 4096;
inline constexpr std::size_t kAclShowLongestLine = 31;
inline constexpr std::size_t kAclShowWholeLimit = kHostapdReplyBuffer - 1 - kAclShowLongestLine;
inline constexpr std::size_t kAclShowLineNoVlan = 28; // "aa:bb:cc:dd:ee:ff VLAN_ID=0\n"

std::string ColonMac(const Mac& mac); // "02:11:22:33:44:55", as hostapd writes it

// One "aa:bb:cc:dd:ee:ff VLAN_ID=N\n" line per entry, in hostapd's order; nullopt (and why) for anything
// else, and for an answer so long that hostapd may have left entries out.
std::optional<std::vector<AclEntry>> ParseAclShow(std::string_view reply, std::string& why);

// The accept_mac_file for these entries: a comment line, then one MAC per line, with its VLAN ID if any.
std::string FormatAcceptFile(const std::vector<AclEntry>& entries);

// The configuration file is read as hostapd reads it: "name=value" lines, '#' comments, the first
// interface's settings up to the first "bss=NAME" line, which starts the settings of interface NAME.
// The value of name in the section of interface iface (the last one, as hostapd takes it).
std::optional<std::string> ConfigValue(std::string_view text, std::string_view iface, std::string_view name);
bool HasConfigSection(std::string_view text, std::string_view iface);
// The text with every "name=..." line of iface's section set to value (one added at the section's end if
// it has none), every other byte as it was; nullopt when iface has no section.
std::optional<std::string> WithConfigValue(std::string_view text, std::string_view iface,
                                           std::string_view name, std::string_view value);

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& why);
// A temporary file in the same folder, written, flushed and synced, renamed over path, and the folder
// synced: after a crash or power cut path holds either the old or the new contents, whole. A symbolic
// link keeps pointing where it did; the file it names is replaced, with the old file's mode and owner.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& why);

} // namespace apd
