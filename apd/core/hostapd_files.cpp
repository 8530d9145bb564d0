// hostapd's texts read and written, and the atomic file rewrite behind "apply".
#include "apd/core/hostapd_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "apd/core/ap_lines.h"

namespace apd {

namespace {

constexpr int kMaxVlanId = 4094;

// hostapd writes its addresses in lower case, colon-separated.
std::optional<Mac> ParseColonMac(std::string_view text) {
    return common::ParseMacPairs(text, ':', HexCase::Lower);
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

// A value without the carriage return of a CRLF file.
std::string_view Value(std::string_view line, std::size_t from) {
    std::string_view value = line.substr(from);
    if (value.ends_with('\r')) value.remove_suffix(1);
    return value;
}

std::vector<Section> Sections(const std::vector<std::string_view>& lines) {
    std::vector<Section> sections{{{}, 0, lines.size()}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsSetting(lines[i], "bss")) {
            sections.back().end = i;
            sections.push_back({std::string(Value(lines[i], 4)), i, lines.size()});
        } else if (sections.size() == 1 && IsSetting(lines[i], "interface")) {
            sections[0].name = std::string(Value(lines[i], 10));
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
    std::string text = "# Accepted stations; Orvane's AP side adds and deletes entries on \"apply\".\n";
    for (const AclEntry& entry : entries) {
        text += ColonMac(entry.mac);
        if (entry.vlan != 0) text += " " + std::to_string(entry.vlan);
        text += "\n";
    }
    return text;
}

std::string MergeAcceptFile(std::string_view oldText, const std::vector<AclEntry>& entries) {
    if (oldText.empty()) return FormatAcceptFile(entries);
    const bool crlf = oldText.find("\r\n") != std::string_view::npos;
    const std::string_view eol = crlf ? "\r\n" : "\n";
    std::string text;
    std::vector<Mac> kept;
    auto listed = [&](const Mac& mac) {
        return std::any_of(entries.begin(), entries.end(), [&](const AclEntry& e) { return e.mac == mac; });
    };
    for (std::string_view line : SplitLines(oldText)) {
        // hostapd reads an entry as the address at the very start of the line, then its VLAN IDs.
        const auto mac = common::ParseMacPairs(line.substr(0, 17), ':', HexCase::Any);
        const bool entry =
            mac && (line.size() == 17 || line[17] == ' ' || line[17] == '\t' || line[17] == '\r');
        if (entry) {
            if (!listed(*mac) || std::find(kept.begin(), kept.end(), *mac) != kept.end()) continue;
            kept.push_back(*mac);
        }
        text.append(line);
        if (!line.ends_with('\r')) text.append(eol.substr(0, eol.size() - 1));
        text.append("\n");
    }
    for (const AclEntry& entry : entries) {
        if (std::find(kept.begin(), kept.end(), entry.mac) != kept.end()) continue;
        text += ColonMac(entry.mac);
        if (entry.vlan != 0) text += " " + std::to_string(entry.vlan);
        text.append(eol);
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
        if (IsSetting(lines[i], name)) value = std::string(Value(lines[i], name.size() + 1));
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
    // A file written with CRLF keeps it on the line we write too.
    const bool crlf = !lines.empty() && lines[0].ends_with('\r');
    const std::string setting = std::string(name) + "=" + std::string(value) + (crlf ? "\r" : "");
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

std::optional<PreparedFile> PrepareFile(const std::string& path, std::string_view contents,
                                        std::string& why) {
    PreparedFile file{{}, path, {}};
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            why = Errno(path + " is a symbolic link to a file that cannot be reached; not replaced");
            return std::nullopt;
        }
        file.target = resolved;
    }
    const std::size_t slash = file.target.rfind('/');
    file.folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.target.substr(0, slash);
    const std::string base = slash == std::string::npos ? file.target : file.target.substr(slash + 1);

    // In the same folder, so that the rename replaces the file in one step on the same file system.
    file.temp = file.folder + "/." + base + ".orvane-XXXXXX";
    const int fd = ::mkostemp(file.temp.data(), O_CLOEXEC);
    if (fd < 0) {
        why = Errno(file.temp);
        return std::nullopt;
    }
    struct stat old {};
    struct stat made {};
    bool ok = true;
    if (::stat(file.target.c_str(), &old) == 0) {
        // hostapd.conf may hold a passphrase: the new file is no more readable than the old one, and
        // hostapd, perhaps running as another user, can still read it.
        ok = ::fchmod(fd, old.st_mode & 07777) == 0 && ::fstat(fd, &made) == 0 &&
             ((made.st_uid == old.st_uid && made.st_gid == old.st_gid) ||
              ::fchown(fd, old.st_uid, old.st_gid) == 0);
        if (!ok)
            why = Errno(file.target + ": cannot keep its mode, owner " + std::to_string(old.st_uid) +
                        " and group " + std::to_string(old.st_gid) + "; not replaced");
    } else {
        ok = ::fchmod(fd, 0644) == 0;
        if (!ok) why = Errno(file.temp);
    }
    std::FILE* stream = ok ? ::fdopen(fd, "wb") : nullptr;
    if (stream == nullptr) {
        if (ok) why = Errno(file.temp);
        ::close(fd);
        ::unlink(file.temp.c_str());
        return std::nullopt;
    }
    ok = std::fwrite(contents.data(), 1, contents.size(), stream) == contents.size() &&
         std::fflush(stream) == 0 && ::fsync(::fileno(stream)) == 0;
    if (!ok) why = Errno(file.temp);
    if (std::fclose(stream) != 0 && ok) {
        ok = false;
        why = Errno(file.temp);
    }
    if (!ok) {
        ::unlink(file.temp.c_str());
        return std::nullopt;
    }
    return file;
}

bool CommitFile(const PreparedFile& file, std::string& why) {
    if (::rename(file.temp.c_str(), file.target.c_str()) != 0) {
        why = Errno("rename to " + file.target);
        ::unlink(file.temp.c_str());
        return false;
    }
    // The rename itself is only durable once the folder is.
    const int dir = ::open(file.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0) {
        why = Errno(file.folder);
        if (dir >= 0) ::close(dir);
        return false;
    }
    ::close(dir);
    return true;
}

void DiscardFile(const PreparedFile& file) {
    ::unlink(file.temp.c_str());
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& why) {
    const auto file = PrepareFile(path, contents, why);
    return file && CommitFile(*file, why);
}

} // namespace apd
