// hostapd's texts: the accept-list answer of its control socket, its accept_mac_file, its configuration
// file's per-interface sections, and the atomic rewrite that keeps a file whole across a power cut.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apd/core/ap_backend.h"

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
// The accept file after "apply": hostapd's list answer tells only an entry's first VLAN ID, so the lines of
// the old file whose entry is still listed stay as they were (tagged VLANs such as "1+2t", a comment
// after the entry), and so do comments, blank lines and lines that are not entries; an entry's later
// duplicates and the lines of entries no longer listed go; listed entries the file lacks are appended.
// The file's line ending (LF or CRLF) is kept. An empty old text gives FormatAcceptFile's.
std::string MergeAcceptFile(std::string_view oldText, const std::vector<AclEntry>& entries);

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
// A new file's contents written to a temporary file beside it, not yet in its place.
struct PreparedFile {
    std::string temp;   // the temporary file, synced
    std::string target; // the file it replaces (a symbolic link resolved)
    std::string folder;
};
// Writes the temporary file with the old file's mode, owner and group; refuses (nullopt and why) when
// they cannot be kept (hostapd may read the file as another user), and when path is a symbolic link to
// nothing (the link is the owner's; replacing it with a file would go unnoticed).
std::optional<PreparedFile> PrepareFile(const std::string& path, std::string_view contents, std::string& why);
// Renames the temporary file over the target and syncs the folder: after a crash or power cut the target
// holds either the old or the new contents, whole.
bool CommitFile(const PreparedFile& file, std::string& why);
void DiscardFile(const PreparedFile& file);
// PrepareFile and CommitFile in one.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& why);

} // namespace apd
