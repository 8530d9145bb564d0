// hostapd's texts read and written, and the atomic file rewrite behind "apply".
#include "hostapd_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ap_lines.h"

namespace apd {

namespace {

constexpr int kMaxVlanId = 4094;

// hostapd writes its addresses in lower case, colon-separated.
std::optional<Mac> ParseColonMac(std::string_view text) {
    return ParseMacPairs(text, ':', HexCase::Lower);
}

struct Section {
    std::string name;  // the interface the lines configure
    std::size_t begin; // first line
    std::size_t end;   // one past the last line
};

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

// hostapd takes everything before the first '=' as the name, with no trimming, and skips '#' lines.
bool IsSetting(std::string_view line, std::string_view name) {
    return !line.empty() && line[0] != '#' && line.size() > name.size() &&
           line.substr(0, name.size()) == name && line[name.size()] == '=';
}

std::vector<Section> Sections(const std::vector<std::string_view>& lines) {
    std::vector<Section> sections{{{}, 0, lines.size()}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsSetting(lines[i], "bss")) {
            sections.back().end = i;
            sections.push_back({std::string(lines[i].substr(4)), i, lines.size()});
        } else if (sections.size() == 1 && IsSetting(lines[i], "interface")) {
            sections[0].name = std::string(lines[i].substr(10));
        }
    }
    return sections;
}

const Section* FindSection(const std::vector<Section>& sections, std::string_view iface) {
    for (const Section& section : sections) {
        if (section.name == iface) return &section;
    }
    return nullptr;
}

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

} // namespace

std::string ColonMac(const Mac& mac) {
    char text[18] = {};
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

std::optional<std::vector<AclEntry>> ParseAclShow(std::string_view reply, std::string& why) {
    if (reply.size() > kAclShowWholeLimit) {
        why = "hostapd's list answer (" + std::to_string(reply.size()) +
              " bytes) may have left entries out: too many entries";
        return std::nullopt;
    }
    constexpr std::string_view kVlan = " VLAN_ID=";
    std::vector<AclEntry> entries;
    while (!reply.empty()) {
        const std::size_t nl = reply.find('\n');
        const std::string_view line = reply.substr(0, nl);
        const auto mac = ParseColonMac(line.substr(0, 17));
        const std::string_view digits = line.size() > 17 + kVlan.size() ? line.substr(17 + kVlan.size()) : "";
        int vlan = 0;
        bool ok = mac && nl != std::string_view::npos && line.substr(17, kVlan.size()) == kVlan &&
                  !digits.empty() && digits.size() <= 4;
        for (std::size_t i = 0; ok && i < digits.size(); ++i) {
            ok = digits[i] >= '0' && digits[i] <= '9';
            vlan = vlan * 10 + (digits[i] - '0');
        }
        if (!ok || vlan > kMaxVlanId) {
            why = "unexpected line in hostapd's list answer";
            return std::nullopt;
        }
        entries.push_back({*mac, vlan});
        reply.remove_prefix(nl + 1);
    }
    return entries;
}

std::string FormatAcceptFile(const std::vector<AclEntry>& entries) {
    std::string text = "# Accepted stations, rewritten by apsim on every \"apply\".\n";
    for (const AclEntry& entry : entries) {
        text += ColonMac(entry.mac);
        if (entry.vlan != 0) text += " " + std::to_string(entry.vlan);
        text += "\n";
    }
    return text;
}

std::optional<std::string> ConfigValue(std::string_view text, std::string_view iface, std::string_view name) {
    const auto lines = SplitLines(text);
    const auto sections = Sections(lines);
    const Section* section = FindSection(sections, iface);
    if (section == nullptr) return std::nullopt;
    std::optional<std::string> value;
    for (std::size_t i = section->begin; i < section->end; ++i) {
        if (IsSetting(lines[i], name)) value = std::string(lines[i].substr(name.size() + 1));
    }
    return value;
}

bool HasConfigSection(std::string_view text, std::string_view iface) {
    const auto lines = SplitLines(text);
    return FindSection(Sections(lines), iface) != nullptr;
}

std::optional<std::string> WithConfigValue(std::string_view text, std::string_view iface,
                                           std::string_view name, std::string_view value) {
    const auto lines = SplitLines(text);
    const auto sections = Sections(lines);
    const Section* section = FindSection(sections, iface);
    if (section == nullptr) return std::nullopt;
    const std::string setting = std::string(name) + "=" + std::string(value);
    bool found = false;
    for (std::size_t i = section->begin; i < section->end; ++i)
        found = found || IsSetting(lines[i], name);

    std::vector<std::string_view> out;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        if (!found && i == section->end) out.push_back(setting);
        if (i == lines.size()) break;
        const bool ours = i >= section->begin && i < section->end && IsSetting(lines[i], name);
        out.push_back(ours ? std::string_view(setting) : lines[i]);
    }
    std::string joined;
    for (std::size_t i = 0; i < out.size(); ++i)
        joined.append(out[i]).append(i + 1 < out.size() ? "\n" : "");
    // A file without a newline at its end keeps it that way, unless the new line went there.
    if (text.ends_with('\n') || (!found && section->end == lines.size())) joined += "\n";
    return joined;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& why) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        why = Errno(path);
        return std::nullopt;
    }
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        why = path + ": read error";
        return std::nullopt;
    }
    return text;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& why) {
    std::string target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    // In the same folder, so that the rename replaces the file in one step on the same file system.
    std::string temp = folder + "/." + base + ".apsim-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        why = Errno(temp);
        return false;
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        // hostapd.conf may hold a passphrase: the new file is no more readable than the old one.
        ::fchmod(fd, old.st_mode & 07777);
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid); // only root may; else ours
    } else {
        ::fchmod(fd, 0644);
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        why = Errno(temp);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size() &&
              std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    if (!ok) why = Errno(temp);
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        why = Errno(temp);
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        why = Errno("rename to " + target);
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself is only durable once the folder is.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0) {
        why = Errno(folder);
        if (dir >= 0) ::close(dir);
        return false;
    }
    ::close(dir);
    return true;
}

} // namespace apd
