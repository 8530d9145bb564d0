// The AP's list in hostapd: every command built from six parsed bytes, every answer checked.
#include "apd/core/hostapd_backend.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace apd {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

std::string InterfaceOfControlPath(const std::string& ctrlPath) {
    const std::size_t slash = ctrlPath.rfind('/');
    return slash == std::string::npos ? ctrlPath : ctrlPath.substr(slash + 1);
}

bool CheckHostapdSetup(const HostapdPaths& paths, std::string& why) {
    const auto text = ReadWholeFile(paths.configPath, why);
    if (!text) return false;
    if (!HasConfigSection(*text, paths.iface)) {
        why = paths.configPath + " has no settings for interface " + paths.iface;
        return false;
    }
    const auto named = ConfigValue(*text, paths.iface, "accept_mac_file");
    if (!named || !SameFile(*named, paths.acceptFile)) {
        why = paths.configPath + " does not give accept_mac_file=" + paths.acceptFile + " for " + paths.iface;
        return false;
    }
    return true;
}

HostapdBackend::HostapdBackend(std::unique_ptr<ControlChannel> channel, HostapdPaths paths)
    : m_channel(std::move(channel)), m_paths(std::move(paths)) {}

bool HostapdBackend::Shown::Has(const Mac& mac) const {
    return std::any_of(entries.begin(), entries.end(), [&](const AclEntry& e) { return e.mac == mac; });
}

std::optional<HostapdBackend::Shown> HostapdBackend::Show(std::string& why) {
    const auto reply = m_channel->Request("ACCEPT_ACL SHOW", why);
    if (!reply) return std::nullopt;
    auto entries = ParseAclShow(*reply, why);
    if (!entries) return std::nullopt;
    return Shown{std::move(*entries), reply->size()};
}

bool HostapdBackend::Ok(const std::string& command, std::string& why) {
    const auto reply = m_channel->Request(command, why);
    if (!reply) return false;
    if (*reply == "OK\n" || *reply == "OK") {
        why = "hostapd: OK";
        return true;
    }
    why = "hostapd answered \"" + reply->substr(0, reply->find('\n')).substr(0, 40) + "\" to " + command;
    return false;
}

AddResult HostapdBackend::Add(const Mac& mac, std::string& why) {
    const auto shown = Show(why);
    if (!shown) return AddResult::Failed;
    // An entry already there keeps what it has (hostapd would keep its VLAN ID too).
    if (shown->Has(mac)) return AddResult::AlreadyListed;
    // Past this, hostapd's list answer may leave entries out, and "apply" could not write them all.
    if (shown->replyBytes + kAclShowLineNoVlan > kAclShowWholeLimit) {
        why = "list full";
        return AddResult::Full;
    }
    return Ok("ACCEPT_ACL ADD_MAC " + ColonMac(mac), why) ? AddResult::Added : AddResult::Failed;
}

DeleteResult HostapdBackend::Delete(const Mac& mac, std::string& why) {
    // hostapd answers OK to deleting an address it does not hold: the list says what happened.
    const auto before = Show(why);
    if (!before) return DeleteResult::Failed;
    if (!before->Has(mac)) return DeleteResult::NotListed;
    if (!Ok("ACCEPT_ACL DEL_MAC " + ColonMac(mac), why)) return DeleteResult::Failed;
    const auto after = Show(why);
    if (!after) return DeleteResult::Failed;
    if (after->Has(mac)) {
        why = "still listed after DEL_MAC";
        return DeleteResult::Failed;
    }
    return DeleteResult::Deleted;
}

std::optional<std::vector<Mac>> HostapdBackend::List(std::string& why) {
    const auto shown = Show(why);
    if (!shown) return std::nullopt;
    std::vector<Mac> macs;
    for (const AclEntry& entry : shown->entries) {
        if (entry.mac != Mac{}) macs.push_back(entry.mac);
    }
    return macs;
}

bool HostapdBackend::SetFilter(bool on, std::string& why) {
    // macaddr_acl 1: accept only the stations on the accept list; 0: accept all but denied ones.
    if (!Ok(on ? "SET macaddr_acl 1" : "SET macaddr_acl 0", why)) return false;
    m_filterOn = on;
    return true;
}

ApplyResult HostapdBackend::Apply(std::string& why) {
    const auto shown = Show(why);
    if (!shown) return ApplyResult::Failed;
    // Both texts are made, and both written to temporary files, before either file is replaced: a refusal
    // or a failed write changes neither. Each is judged against the file's bytes as they are now, not as
    // we last wrote them: the owner may have edited either since.
    std::optional<std::string> oldAccept;
    if (::access(m_paths.acceptFile.c_str(), F_OK) == 0) {
        oldAccept = ReadWholeFile(m_paths.acceptFile, why);
        if (!oldAccept) return ApplyResult::Failed;
    }
    std::optional<std::string> oldConfig, config;
    if (m_filterOn) {
        oldConfig = ReadWholeFile(m_paths.configPath, why);
        if (!oldConfig) return ApplyResult::Failed;
        config = WithConfigValue(*oldConfig, m_paths.iface, "macaddr_acl", *m_filterOn ? "1" : "0");
        if (!config) {
            why = m_paths.configPath + " has no settings for interface " + m_paths.iface;
            return ApplyResult::Failed;
        }
    }
    const std::string accept = MergeAcceptFile(oldAccept.value_or(""), shown->entries);
    // Flash wears with every synced rewrite; an apply that changes nothing writes nothing.
    const bool acceptChanges = !oldAccept || *oldAccept != accept;
    const bool configChanges = config && *config != *oldConfig;
    const auto summary = [&](bool marked) {
        return "accept file: " + std::to_string(shown->entries.size()) + " entries" +
               (marked && !acceptChanges ? " (unchanged)" : "") +
               (config ? std::string(", macaddr_acl=") + (*m_filterOn ? "1" : "0") +
                             (marked && !configChanges ? " (unchanged)" : "")
                       : "");
    };
    if (!acceptChanges && !configChanges) {
        why = "nothing changed, no file written; " + summary(false);
        return ApplyResult::Unchanged;
    }
    std::optional<PreparedFile> acceptFile, conf;
    if (acceptChanges) {
        acceptFile = PrepareFile(m_paths.acceptFile, accept, why);
        if (!acceptFile) return ApplyResult::Failed;
    }
    if (configChanges) {
        conf = PrepareFile(m_paths.configPath, *config, why);
        if (!conf) {
            if (acceptFile) DiscardFile(*acceptFile);
            return ApplyResult::Failed;
        }
    }
    if (acceptFile && !CommitFile(*acceptFile, why)) {
        if (conf) DiscardFile(*conf);
        return ApplyResult::Failed;
    }
    if (conf && !CommitFile(*conf, why)) {
        if (!acceptFile) return ApplyResult::Failed;
        why = "the accept file was written but the configuration was not, so they are out of step until the "
              "next apply: " +
              why;
        return ApplyResult::PartlyWritten;
    }
    why = summary(true);
    return ApplyResult::Written;
}

bool HostapdBackend::Clear(std::string& why) {
    return Ok("ACCEPT_ACL CLEAR", why);
}

} // namespace apd
